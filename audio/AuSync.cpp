#include "AuSync.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <thread>

namespace {

// Static initialisation runs on the thread that starts the program.
const std::thread::id mainThreadId = std::this_thread::get_id();

struct TQueuedCall {
    TThreadMethod fn;
    bool done = false; // guarded by queueLock
};

std::mutex queueLock;             // guards queue, wakeHook and every TQueuedCall::done
std::condition_variable callDone; // signalled under queueLock when a call has run
std::deque<TQueuedCall*> queue;   // written by any thread, drained by the main thread
std::function<void()> wakeHook;   // set by the GUI on the main thread, called by workers
// Set and called on the main thread only.
std::function<void(const std::string&)> errorReport;

thread_local TThreadRole threadRole = TThreadRole::Other;

// Runs a main-thread call; the message of anything it throws, or empty.
std::string RunReportingErrors(const TThreadMethod& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        return *e.what() ? e.what() : "Unknown error";
    } catch (...) {
        return "Unknown error";
    }
    return {};
}

void Report(const std::string& message) {
    if (message.empty()) return;
    if (errorReport)
        errorReport(message);
    else
        std::fprintf(stderr, "%s\n", message.c_str());
}

} // namespace

void TEvent::SetEvent() {
    std::lock_guard lock(FLock);
    FSignalled = true;
    FChanged.notify_one();
}

void TEvent::ResetEvent() {
    std::lock_guard lock(FLock);
    FSignalled = false;
}

bool TEvent::WaitFor(int timeoutMs) {
    std::unique_lock lock(FLock);
    const auto signalled = [this] { return FSignalled; };
    if (timeoutMs < 0)
        FChanged.wait(lock, signalled);
    else if (!FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled))
        return false;
    FSignalled = false;
    return true;
}

bool IsMainThread() { return std::this_thread::get_id() == mainThreadId; }

void Synchronize(const TThreadMethod& fn) {
    if (IsMainThread()) {
        Report(RunReportingErrors(fn));
        return;
    }
    TQueuedCall call{fn};
    std::function<void()> hook;
    {
        std::lock_guard lock(queueLock);
        queue.push_back(&call);
        hook = wakeHook;
    }
    if (hook) hook();
    std::unique_lock lock(queueLock);
    callDone.wait(lock, [&call] { return call.done; });
}

bool CheckSynchronize() {
    AssertMainThread("CheckSynchronize");
    bool ran = false;
    for (;;) {
        TQueuedCall* call = nullptr;
        {
            std::lock_guard lock(queueLock);
            if (queue.empty()) return ran;
            call = queue.front();
            queue.pop_front();
        }
        const std::string error = RunReportingErrors(call->fn);
        ran = true;
        {
            std::lock_guard lock(queueLock);
            call->done = true;
            callDone.notify_all();
        }
        // The caller goes on meanwhile: a report that shows a message box must not hold the engine.
        Report(error);
    }
}

void SetWakeMainThread(std::function<void()> hook) {
    std::lock_guard lock(queueLock);
    wakeHook = std::move(hook);
}

void SetErrorReport(std::function<void(const std::string& message)> report) {
    errorReport = std::move(report);
}

void SetThreadRole(TThreadRole role) { threadRole = role; }

#ifndef NDEBUG
void AssertMainThread(const char* entryPoint) {
    if (IsMainThread()) return;
    std::fprintf(stderr, "%s must be called on the main thread\n", entryPoint);
    std::abort();
}

void AssertThreadRole(TThreadRole role, const char* entryPoint) {
    if (threadRole == role) return;
    std::fprintf(stderr, "%s is called on the wrong thread\n", entryPoint);
    std::abort();
}
#endif

void YieldBriefly() { std::this_thread::sleep_for(std::chrono::microseconds(200)); }
