#include "EngineTestKit.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int64_t MillisecondsOf(const std::function<void()>& call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
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
