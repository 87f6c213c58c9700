#include "PulseConnection.h"

#include <chrono>
#include <thread>

std::unique_ptr<TPulseConnection> TPulseConnection::Connect(const std::string& clientName) {
    std::unique_ptr<TPulseConnection> c(new TPulseConnection());
    c->FLoop = pa_threaded_mainloop_new();
    if (!c->FLoop) return nullptr;
    c->FContext = pa_context_new(pa_threaded_mainloop_get_api(c->FLoop), clientName.c_str());
    if (!c->FContext) return nullptr;
    if (pa_context_connect(c->FContext, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return nullptr;
    if (pa_threaded_mainloop_start(c->FLoop) < 0) return nullptr;
    TLock lock(*c);
    const bool ready = c->WaitLocked([&c] { return pa_context_get_state(c->FContext) == PA_CONTEXT_READY; },
                                     ConnectTimeoutMs);
    return ready ? std::move(c) : nullptr;
}

TPulseConnection::~TPulseConnection() {
    if (FLoop) pa_threaded_mainloop_stop(FLoop);
    if (FContext) {
        pa_context_disconnect(FContext);
        pa_context_unref(FContext);
    }
    if (FLoop) pa_threaded_mainloop_free(FLoop);
}

bool TPulseConnection::ContextAliveLocked() const {
    const pa_context_state_t state = pa_context_get_state(FContext);
    return state != PA_CONTEXT_FAILED && state != PA_CONTEXT_TERMINATED;
}

bool TPulseConnection::Alive() {
    TLock lock(*this);
    return pa_context_get_state(FContext) == PA_CONTEXT_READY;
}

bool TPulseConnection::WaitLocked(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (!ContextAliveLocked() || std::chrono::steady_clock::now() >= deadline) return false;
        // The loop thread needs the lock to make progress; poll rather than wait without a limit.
        pa_threaded_mainloop_unlock(FLoop);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        pa_threaded_mainloop_lock(FLoop);
    }
    return true;
}

bool TPulseConnection::Complete(pa_operation* operation, int timeoutMs) {
    if (!operation) return false;
    const bool done =
        WaitLocked([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; }, timeoutMs);
    if (!done) pa_operation_cancel(operation);
    const bool ok = done && pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return ok;
}
