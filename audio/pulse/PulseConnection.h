#pragma once
// The process's one connection to the sound server: a threaded main loop and a context, shared by
// the device list, the mixer, capture and playback. When the server goes away, a new context is
// tried every second until the server answers again; the streams of the old one fail, which ends
// their runs. Internal to audio/pulse.
//
// Threads: the loop's own thread runs every callback with the loop's lock held. Any other thread
// takes the lock (TLock) around each call into the server library. Every wait on the server is
// bounded, and waits on the loop's own condition, woken by the callbacks, never by polling.

#include <pulse/pulseaudio.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// The one T the process shares while anyone holds it; make() builds it when none is held and
// answers nullptr when it cannot. Each T has a lock of its own, a leaf but for what make() takes.
template <class T, class Make>
std::shared_ptr<T> ProcessShared(Make make) {
    static std::mutex sharedLock; // guards shared
    static std::weak_ptr<T> shared;
    std::lock_guard guard(sharedLock);
    if (auto existing = shared.lock()) return existing;
    std::shared_ptr<T> made = make();
    if (made) shared = made;
    return made;
}

enum TServerEvent {
    seConnected,     // the server answers (at the start, or again after it went away)
    seDisconnected,  // the server went away
    seSourceAdded,   // index: the new source's
    seSourceRemoved, // index: the removed source's
    seSourceChanged, // index: the changed source's
};

class TPulseConnection {
public:
    static constexpr int ConnectTimeoutMs = 2000;
    static constexpr int OperationTimeoutMs = 2000;
    static constexpr int ReconnectDelayMs = 1000;

    // The shared connection: the first caller makes it, it ends with the last holder.
    static std::shared_ptr<TPulseConnection> Acquire();
    ~TPulseConnection();
    TPulseConnection(const TPulseConnection&) = delete;
    TPulseConnection& operator=(const TPulseConnection&) = delete;

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

    // With the lock held: the context once it is ready, waiting up to timeoutMs while a
    // connection is being made (never on the loop's own thread: give 0 there); null when the
    // server does not answer.
    // A cancel flag that reads true ends a wait at once (after a Signal).
    pa_context* ReadyContext(int timeoutMs = ConnectTimeoutMs, const std::atomic<bool>* cancelled = nullptr);
    // With the lock held: waits until done() holds or timeoutMs pass; false on a time-out or when
    // the server went away meanwhile.
    bool WaitLocked(const std::function<bool()>& done, int timeoutMs = OperationTimeoutMs);
    // With the lock held: waits for an operation to finish (and releases it); false on failure,
    // time-out or cancel.
    bool Complete(pa_operation* operation, int timeoutMs = OperationTimeoutMs,
                  const std::atomic<bool>* cancelled = nullptr);
    // Wakes every WaitLocked; for the callbacks of streams and operations.
    void Signal() { pa_threaded_mainloop_signal(FLoop, 0); }
    // A stream state callback that only wakes the waits; userdata is the connection.
    static void SignalStream(pa_stream*, void* self) { static_cast<TPulseConnection*>(self)->Signal(); }

    // With the lock held: hears the connection's and the sources' changes, on the loop's thread
    // with the lock held; a listener must not block. Returns an id for Unlisten.
    using TListener = std::function<void(TServerEvent event, uint32_t index)>;
    uint64_t Listen(TListener listener);
    void Unlisten(uint64_t id);

private:
    TPulseConnection() = default;
    bool Start();
    // On the loop's thread, or before it runs: a new context, connecting.
    void NewContext();
    void Tell(TServerEvent event, uint32_t index);
    bool Dead() const;
    static void OnContextState(pa_context* context, void* self);
    static void OnServerEvent(pa_context* context, pa_subscription_event_type_t type, uint32_t index,
                              void* self);
    static void OnReconnectTime(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                                void* self);

    pa_threaded_mainloop* FLoop = nullptr;
    pa_context* FContext = nullptr;      // under the loop's lock; replaced after the server went away
    pa_time_event* FReconnect = nullptr; // under the loop's lock: the next try, when one is due
    bool FWasReady = false;              // under the loop's lock: the current context was ready once
    std::vector<std::pair<uint64_t, TListener>> FListeners; // under the loop's lock
    uint64_t FLastListener = 0;                             // under the loop's lock
};
