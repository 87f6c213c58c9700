// Time from exec to the first window mapped on the X display (the splash), with 0, 1,000 and
// 10,000 recordings in the folder, against a bare Qt window program in the same run.
// Usage: bench_firstwindow PROGRAM BARE_WINDOW_PROGRAM, with DISPLAY naming a display of its own.

#include "ListKit.h"

#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <xcb/xcb.h>

namespace fs = std::filesystem;

namespace {

constexpr auto WindowDeadline = std::chrono::seconds(30);
constexpr auto EndDeadline = std::chrono::seconds(10);
constexpr int Rounds = 3;

// A home whose recordings folder holds that many names of one recording.
std::string PrepareHome(const std::string& home, const std::string& recording, int count) {
    const std::string folder = home + "/Documents/Sarvo mp3 Recordings";
    fs::create_directories(folder);
    fs::create_directories(home + "/runtime");
    fs::permissions(home + "/runtime", fs::perms::owner_all);
    for (int i = 0; i < count; ++i)
        fs::create_hard_link(recording, folder + "/Recording " + std::to_string(i) + ".mp3");
    return home;
}

pid_t Start(const char* program, const std::string& home) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home + "/runtime").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    if (chdir(home.c_str()) != 0) _exit(127);
    execl(program, program, static_cast<char*>(nullptr));
    _exit(127);
}

// Ends the program, killed when it does not end within the deadline.
void End(pid_t pid) {
    kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + EndDeadline;
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The display, watched for windows mapped on it. One connection for the whole run: a display
// whose last client leaves is reset, and would refuse the next one meanwhile.
class TDisplayWatch {
public:
    TDisplayWatch() : x_(xcb_connect(nullptr, nullptr)) {
        fcntl(xcb_get_file_descriptor(x_), F_SETFD, FD_CLOEXEC); // the programs get no share of it
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(x_, root, XCB_CW_EVENT_MASK, &mask);
        free(
            xcb_get_input_focus_reply(x_, xcb_get_input_focus(x_), nullptr)); // the selection holds from here
    }
    ~TDisplayWatch() { xcb_disconnect(x_); }
    TDisplayWatch(const TDisplayWatch&) = delete;
    TDisplayWatch& operator=(const TDisplayWatch&) = delete;

    bool Usable() const { return xcb_connection_has_error(x_) == 0; }
    // Forgets what happened so far (the windows of an earlier program).
    void Drain() {
        free(xcb_get_input_focus_reply(x_, xcb_get_input_focus(x_), nullptr));
        while (xcb_generic_event_t* event = xcb_poll_for_event(x_)) free(event);
    }
    // Whether a window was mapped before the deadline.
    bool WaitForMap(std::chrono::steady_clock::time_point deadline) {
        pollfd watched{xcb_get_file_descriptor(x_), POLLIN, 0};
        while (std::chrono::steady_clock::now() < deadline && Usable()) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(x_)) {
                const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
                free(event);
                if (mapped) return true;
            }
            poll(&watched, 1, 100);
        }
        return false;
    }

private:
    xcb_connection_t* x_;
};

// Seconds from exec to the program's first mapped window; negative when none came.
double FirstWindowSeconds(TDisplayWatch& display, const char* program, const std::string& home) {
    display.Drain();
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = Start(program, home);
    const bool mapped = display.WaitForMap(start + WindowDeadline);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    End(pid);
    return mapped ? took.count() : -1;
}

double Best(TDisplayWatch& display, const char* program, const std::string& home) {
    double best = 1e30;
    for (int round = 0; round < Rounds; ++round) {
        const double seconds = FirstWindowSeconds(display, program, home);
        if (seconds < 0) {
            std::fprintf(stderr, "bench_firstwindow: %s showed no window within 30 s\n", program);
            std::exit(1);
        }
        best = std::min(best, seconds);
    }
    return best;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3 || !getenv("DISPLAY")) {
        std::fprintf(stderr, "usage: DISPLAY=:N bench_firstwindow PROGRAM BARE_WINDOW_PROGRAM\n");
        return 2;
    }
    TDisplayWatch display;
    if (!display.Usable()) {
        std::fprintf(stderr, "bench_firstwindow: no display at %s\n", getenv("DISPLAY"));
        return 1;
    }
    QTemporaryDir scratch;
    const std::string dir = scratch.path().toStdString();
    Encode(dir + "/ten.mp3", 10);
    const double bare = Best(display, argv[2], PrepareHome(dir + "/bare", dir + "/ten.mp3", 0));
    std::printf("first window: the bare Qt window program %.0f ms\n", bare * 1e3);
    for (const int count : {0, 1000, 10000}) {
        const double ours =
            Best(display, argv[1], PrepareHome(dir + "/" + std::to_string(count), dir + "/ten.mp3", count));
        const std::string name =
            "first window after exec, " + std::to_string(count) + " recordings (/ a bare Qt window)";
        std::printf("first window with %d recordings: %.0f ms\n", count, ours * 1e3);
        TableRow(name.c_str(), Figure("%.0f ms", ours * 1e3).c_str(), Figure("%.0f ms", bare * 1e3).c_str(),
                 ours / bare, count == 1000 ? "at most 2, under 250 ms" : "at most 2");
        if (count == 1000)
            std::printf("firstwindow ms with 1000 recordings: %.0f (anchor %.0f)\n", ours * 1e3, bare * 1e3);
    }
}
