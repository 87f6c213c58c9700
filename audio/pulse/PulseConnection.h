#pragma once
// One connection to the sound server: a threaded main loop and a context. Internal to audio/pulse.
// Every wait on the server is bounded: a server that does not answer is a failure, never a hang.

#include <pulse/pulseaudio.h>

#include <functional>
#include <memory>
#include <string>

class TPulseConnection {
public:
    static constexpr int ConnectTimeoutMs = 2000;
    static constexpr int OperationTimeoutMs = 2000;

    // Null when no server answers within the time-out.
    static std::unique_ptr<TPulseConnection> Connect(const std::string& clientName);
    ~TPulseConnection();
    TPulseConnection(const TPulseConnection&) = delete;
    TPulseConnection& operator=(const TPulseConnection&) = delete;

    pa_context* Context() const { return FContext; }
    bool Alive();

    // The main loop's lock; callbacks run with it held on the loop's own thread.
    class TLock {
    public:
        explicit TLock(TPulseConnection& c) : FLoop(c.FLoop) { pa_threaded_mainloop_lock(FLoop); }
        ~TLock() { pa_threaded_mainloop_unlock(FLoop); }
        TLock(const TLock&) = delete;
        TLock& operator=(const TLock&) = delete;

    private:
        pa_threaded_mainloop* FLoop;
    };

    // With the lock held: waits until done() holds, the server fails, or timeoutMs pass.
    bool WaitLocked(const std::function<bool()>& done, int timeoutMs = OperationTimeoutMs);
    // With the lock held: waits for an operation to finish (and releases it); false on failure or time-out.
    bool Complete(pa_operation* operation, int timeoutMs = OperationTimeoutMs);

private:
    TPulseConnection() = default;
    bool ContextAliveLocked() const;

    pa_threaded_mainloop* FLoop = nullptr;
    pa_context* FContext = nullptr;
};
