#include "EngineTestKit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

int64_t MillisecondsOf(const std::function<void()>& call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

int ThreadCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char line[512];
        while (fgets(line, sizeof line, pipe)) out += line;
        pclose(pipe);
    }
    return out;
}

TScopedEnv::TScopedEnv(const char* name, const std::string& value) : FName(name) {
    const char* old = std::getenv(name);
    FHadOld = old != nullptr;
    if (old) FOld = old;
    setenv(name, value.c_str(), 1);
}

TScopedEnv::~TScopedEnv() {
    if (FHadOld)
        setenv(FName.c_str(), FOld.c_str(), 1);
    else
        unsetenv(FName.c_str());
}

TPrivateSoundServer::TPrivateSoundServer() {
    char pattern[] = "/tmp/sarvo-own-sound-XXXXXX";
    if (mkdtemp(pattern)) FDir = pattern;
    FServer = std::make_unique<TScopedEnv>("PULSE_SERVER", "unix:" + FDir + "/runtime/pulse/native");
    FRuntime = std::make_unique<TScopedEnv>("PULSE_RUNTIME_PATH", FDir + "/runtime/pulse");
    Start();
}

TPrivateSoundServer::~TPrivateSoundServer() {
    Tool("stop");
    std::error_code ignored;
    if (!FDir.empty()) std::filesystem::remove_all(FDir, ignored);
}

std::string TPrivateSoundServer::Tool(const std::string& command) const {
    return Shell("SARVO_SOUND_DIR=" + FDir + " " SARVO_SOURCE_DIR "/tools/soundserver " + command + " 2>&1");
}

bool TPrivateSoundServer::Start() {
    Tool("start");
    FStarted = Shell("timeout 5 pactl info >/dev/null 2>&1 && echo up").find("up") == 0;
    return FStarted;
}

void TPrivateSoundServer::Stall(const std::string& input, bool stalled) {
    Tool((stalled ? "stall " : "resume ") + input);
}

void TPrivateSoundServer::Kill() {
    Tool("kill");
    FStarted = false;
}

TTempFolder::TTempFolder() {
    char pattern[] = "/tmp/sarvo-test-XXXXXX";
    if (mkdtemp(pattern)) FDir = pattern;
}

TTempFolder::~TTempFolder() {
    std::error_code ignored;
    if (!FDir.empty()) std::filesystem::remove_all(FDir, ignored);
}

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

std::vector<uint8_t> DecodeAll(TAuInput& in) {
    TScriptedSink sink;
    sink.Collect = true;
    sink.SetInput(&in);
    sink.BlockingRun();
    return sink.Collected;
}

namespace {

const char* const SpecialNames[] = {"fifo.mp3", "socket.mp3", "device.mp3", "dangling.mp3"};

} // namespace

TSpecialFiles::TSpecialFiles(const std::string& folder, int deadlineMs) : FFolder(folder) {
    const std::vector<std::string> paths = Paths();
    mkfifo(paths[0].c_str(), 0644);
    FSocket = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, paths[1].c_str(), sizeof address.sun_path - 1);
    if (bind(FSocket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) listen(FSocket, 1);
    (void)!symlink("/dev/zero", paths[2].c_str());
    (void)!symlink((folder + "/nothing here").c_str(), paths[3].c_str());
    FWatcher = std::thread([this, deadlineMs] { Watch(deadlineMs); });
}

TSpecialFiles::~TSpecialFiles() {
    {
        std::lock_guard lock(FLock);
        FDone = true;
    }
    FDoneChanged.notify_all();
    FWatcher.join();
    if (FSocket >= 0) close(FSocket);
    for (const std::string& path : Paths()) unlink(path.c_str());
}

std::vector<std::string> TSpecialFiles::Paths() const {
    std::vector<std::string> paths;
    for (const char* name : SpecialNames) paths.push_back(FFolder + "/" + name);
    return paths;
}

void TSpecialFiles::Watch(int deadlineMs) {
    std::unique_lock lock(FLock);
    auto wait = std::chrono::milliseconds(deadlineMs);
    while (!FDoneChanged.wait_for(lock, wait, [this] { return FDone; })) {
        FDeadlinePassed = true;
        // Each end, opened without waiting, releases an open waiting at the other.
        for (const int end : {O_WRONLY, O_RDONLY}) {
            const int handle = open(Paths()[0].c_str(), end | O_NONBLOCK | O_CLOEXEC);
            if (handle >= 0) close(handle);
        }
        wait = std::chrono::milliseconds(100);
    }
}
