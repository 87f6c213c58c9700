#pragma once
// The time the engine and the session count in: the stall limit of a capture, a stop's grace, the
// session's timers. The program runs on the steady clock; tests give a clock they advance
// themselves, so that logic that waits seconds runs at once and the same on a loaded machine.
//
// What is not counted on this clock: the bounds of waits for another thread to answer (a stop
// waiting for its worker, a pause waiting for the worker to park). Those bound how long a thread
// takes, which only real time measures.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class TAuClock {
public:
    using TTime = std::chrono::milliseconds; // since the clock's own start

    virtual ~TAuClock() = default;
    // Any thread.
    virtual TTime Now() const = 0;
    // With lock held on cv's mutex: waits until done() holds, cv is notified and done() then holds,
    // or the clock reads at least deadline. Returns done(). Any thread.
    virtual bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, TTime deadline,
                           const std::function<bool()>& done) = 0;
};

// The process's steady clock.
std::shared_ptr<TAuClock> SteadyClock();
