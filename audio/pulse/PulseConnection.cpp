#include "PulseConnection.h"

#include <algorithm>

std::shared_ptr<TPulseConnection> TPulseConnection::Acquire() {
    return ProcessShared<TPulseConnection>([]() -> std::shared_ptr<TPulseConnection> {
        std::shared_ptr<TPulseConnection> made(new TPulseConnection());
        return made->Start() ? made : nullptr;
    });
}

bool TPulseConnection::Start() {
    FLoop = pa_threaded_mainloop_new();
    if (!FLoop) return false;
    NewContext();
    return FContext && pa_threaded_mainloop_start(FLoop) >= 0;
}

TPulseConnection::~TPulseConnection() {
    if (!FLoop) return;
    {
        TLock lock(*this);
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(FLoop);
        if (FReconnect) api->time_free(FReconnect);
        FReconnect = nullptr;
        if (FContext) {
            pa_context_set_state_callback(FContext, nullptr, nullptr);
            pa_context_set_subscribe_callback(FContext, nullptr, nullptr);
        }
    }
    pa_threaded_mainloop_stop(FLoop);
    if (FContext) {
        pa_context_disconnect(FContext);
        pa_context_unref(FContext);
    }
    pa_threaded_mainloop_free(FLoop);
}

void TPulseConnection::NewContext() {
    if (FContext) {
        pa_context_set_state_callback(FContext, nullptr, nullptr);
        pa_context_set_subscribe_callback(FContext, nullptr, nullptr);
        pa_context_disconnect(FContext);
        pa_context_unref(FContext);
    }
    FWasReady = false;
    FContext = pa_context_new(pa_threaded_mainloop_get_api(FLoop), "Sarvo MP3 Recorder");
    if (!FContext) return;
    pa_context_set_state_callback(FContext, &TPulseConnection::OnContextState, this);
    pa_context_set_subscribe_callback(FContext, &TPulseConnection::OnServerEvent, this);
    // A refusal shows as the failed state, which tries again later.
    pa_context_connect(FContext, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
}

void TPulseConnection::OnContextState(pa_context* context, void* self) {
    auto& me = *static_cast<TPulseConnection*>(self);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY: {
        me.FWasReady = true;
        pa_operation* subscribing =
            pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SOURCE, nullptr, nullptr);
        if (subscribing) pa_operation_unref(subscribing);
        me.Tell(seConnected, PA_INVALID_INDEX);
        break;
    }
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        if (me.FWasReady) me.Tell(seDisconnected, PA_INVALID_INDEX);
        me.FWasReady = false;
        if (!me.FReconnect) {
            pa_mainloop_api* api = pa_threaded_mainloop_get_api(me.FLoop);
            struct timeval due;
            pa_timeval_add(pa_gettimeofday(&due), pa_usec_t{ReconnectDelayMs} * 1000);
            me.FReconnect = api->time_new(api, &due, &TPulseConnection::OnReconnectTime, self);
        }
        break;
    default:
        break;
    }
    me.Signal();
}

void TPulseConnection::OnReconnectTime(pa_mainloop_api* api, pa_time_event* event, const struct timeval*,
                                       void* self) {
    auto& me = *static_cast<TPulseConnection*>(self);
    api->time_free(event);
    me.FReconnect = nullptr;
    me.NewContext();
}

void TPulseConnection::OnServerEvent(pa_context*, pa_subscription_event_type_t type, uint32_t index,
                                     void* self) {
    if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SOURCE) return;
    switch (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) {
    case PA_SUBSCRIPTION_EVENT_NEW:
        static_cast<TPulseConnection*>(self)->Tell(seSourceAdded, index);
        break;
    case PA_SUBSCRIPTION_EVENT_REMOVE:
        static_cast<TPulseConnection*>(self)->Tell(seSourceRemoved, index);
        break;
    default:
        static_cast<TPulseConnection*>(self)->Tell(seSourceChanged, index);
        break;
    }
}

void TPulseConnection::Tell(TServerEvent event, uint32_t index) {
    for (const auto& [id, listener] : FListeners) listener(event, index);
}

uint64_t TPulseConnection::Listen(TListener listener) {
    FListeners.emplace_back(++FLastListener, std::move(listener));
    return FLastListener;
}

void TPulseConnection::Unlisten(uint64_t id) {
    std::erase_if(FListeners, [id](const auto& entry) { return entry.first == id; });
}

bool TPulseConnection::Dead() const {
    return !FContext || !PA_CONTEXT_IS_GOOD(pa_context_get_state(FContext));
}

namespace {
bool IsSet(const std::atomic<bool>* flag) { return flag && flag->load(); }
} // namespace

pa_context* TPulseConnection::ReadyContext(int timeoutMs, const std::atomic<bool>* cancelled) {
    const auto ready = [this] { return FContext && pa_context_get_state(FContext) == PA_CONTEXT_READY; };
    if (ready() || timeoutMs <= 0) return ready() ? FContext : nullptr;
    // A caller does not wait for the next try: the server may be back already.
    if (Dead()) {
        if (FReconnect) pa_threaded_mainloop_get_api(FLoop)->time_free(FReconnect);
        FReconnect = nullptr;
        NewContext();
    }
    WaitLocked([&] { return ready() || IsSet(cancelled); }, timeoutMs);
    return ready() ? FContext : nullptr;
}

namespace {

struct TDeadline {
    TPulseConnection* connection;
    bool passed = false;
};

void OnDeadline(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* data) {
    auto& deadline = *static_cast<TDeadline*>(data);
    deadline.passed = true;
    deadline.connection->Signal();
}

} // namespace

bool TPulseConnection::WaitLocked(const std::function<bool()>& done, int timeoutMs) {
    if (done()) return true;
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(FLoop);
    TDeadline deadline{this};
    struct timeval due;
    pa_timeval_add(pa_gettimeofday(&due), pa_usec_t(std::max(timeoutMs, 0)) * 1000);
    pa_time_event* timer = api->time_new(api, &due, &OnDeadline, &deadline);
    bool finished = false;
    while (!(finished = done()) && !deadline.passed && !Dead()) pa_threaded_mainloop_wait(FLoop);
    api->time_free(timer);
    return finished;
}

bool TPulseConnection::Complete(pa_operation* operation, int timeoutMs, const std::atomic<bool>* cancelled) {
    if (!operation) return false;
    pa_operation_set_state_callback(
        operation, [](pa_operation*, void* self) { static_cast<TPulseConnection*>(self)->Signal(); }, this);
    const auto finished = [operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; };
    WaitLocked([&] { return finished() || IsSet(cancelled); }, timeoutMs);
    const bool done = finished();
    if (!done) pa_operation_cancel(operation);
    pa_operation_set_state_callback(operation, nullptr, nullptr);
    const bool ok = done && pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return ok;
}
