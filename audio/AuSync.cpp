#include "AuSync.h"

#include <atomic>
#include <deque>
#include <thread>

namespace {

// Static initialisation runs on the thread that starts the program.
const std::thread::id mainThreadId = std::this_thread::get_id();

struct TQueuedCall {
    TThreadMethod fn;
    bool done = false; // guarded by queueLock
};

std::mutex queueLock;               // guards queue, wakeHook and every TQueuedCall::done
std::condition_variable callDone;   // signalled under queueLock when a call has run
std::deque<TQueuedCall*> queue;     // written by any thread, drained by the main thread
std::function<void()> wakeHook;     // set by the GUI on the main thread, called by workers

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
        try {
            fn();
        } catch (...) {
        }
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
    bool ran = false;
    for (;;) {
        TQueuedCall* call = nullptr;
        {
            std::lock_guard lock(queueLock);
            if (queue.empty()) return ran;
            call = queue.front();
            queue.pop_front();
        }
        try {
            call->fn();
        } catch (...) {
        }
        ran = true;
        std::lock_guard lock(queueLock);
        call->done = true;
        callDone.notify_all();
    }
}

void SetWakeMainThread(std::function<void()> hook) {
    std::lock_guard lock(queueLock);
    wakeHook = std::move(hook);
}

void YieldBriefly() { std::this_thread::sleep_for(std::chrono::microseconds(200)); }
