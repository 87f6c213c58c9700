#pragma once
// Threading helpers of the engine: an auto-reset event, and the queue of calls that worker
// threads hand to the main thread.
//
// Main-thread calls: Synchronize(fn) blocks the calling thread until the main thread has run fn
// (fn runs at once when the caller is the main thread). The main thread runs what is queued in
// CheckSynchronize(); a GUI installs a wake-up hook that posts CheckSynchronize into its event loop.
// An exception thrown by fn goes to the error report the GUI installs (standard error without one).

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

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
// Runs fn on the main thread and waits until it has returned. An exception thrown by fn is handed
// to the error report once the caller has been released.
void Synchronize(const TThreadMethod& fn);
// Runs every queued call; main thread only. Returns whether anything ran.
bool CheckSynchronize();
// Called (from any thread) whenever a call is queued; the GUI uses it to schedule CheckSynchronize.
void SetWakeMainThread(std::function<void()> hook);
// Main thread: receives the message of an exception a main-thread call threw.
void SetErrorReport(std::function<void(const std::string& message)> report);

// The engine's threads, for the checks of debug builds.
enum class TThreadRole { Other, Worker, Event };
void SetThreadRole(TThreadRole role);
#ifdef NDEBUG
inline void AssertMainThread(const char*) {}
inline void AssertThreadRole(TThreadRole, const char*) {}
#else
// Ends the program with a message when called on another thread than the contract names.
void AssertMainThread(const char* entryPoint);
void AssertThreadRole(TThreadRole role, const char* entryPoint);
#endif

// Sleeps briefly between polls of a flag another thread writes.
void YieldBriefly();
