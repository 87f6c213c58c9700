#pragma once
// Threading helpers of the engine: an auto-reset event, and the queue of calls that worker
// threads hand to the main thread.
//
// Main-thread calls: Synchronize(fn) blocks the calling thread until the main thread has run fn
// (fn runs at once when the caller is the main thread). The main thread runs what is queued in
// CheckSynchronize(); a GUI installs a wake-up hook that posts CheckSynchronize into its event loop.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

// Auto-reset event: SetEvent lets exactly one wait through, then the event is non-signalled again.
class TEvent {
public:
    static constexpr int Infinite = -1;

    void SetEvent();
    void ResetEvent();
    // True when the event was signalled within timeoutMs (Infinite: no limit).
    bool WaitFor(int timeoutMs = Infinite);

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    bool FSignalled = false; // guarded by FLock
};

using TThreadMethod = std::function<void()>;

bool IsMainThread();
// Runs fn on the main thread and waits until it has returned. Exceptions thrown by fn are swallowed.
void Synchronize(const TThreadMethod& fn);
// Runs every queued call; main thread only. Returns whether anything ran.
bool CheckSynchronize();
// Called (from any thread) whenever a call is queued; the GUI uses it to schedule CheckSynchronize.
void SetWakeMainThread(std::function<void()> hook);

// Sleeps briefly between polls of a flag another thread writes.
void YieldBriefly();
