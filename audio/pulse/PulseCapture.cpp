// Capture from the sound server: the list of its sources, and record streams that fill a ring.

#include "CapturePlatform.h"
#include "PulseConnection.h"

#include <algorithm>
#include <mutex>

namespace {

TCaptureError ErrorFromServer(int code) {
    switch (code) {
    case PA_ERR_NOENTITY:
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_CONNECTIONTERMINATED:
        return ceNoDriver;
    case PA_ERR_BUSY:
    case PA_ERR_ACCESS:
    case PA_ERR_EXIST:
        return ceAllocated;
    case PA_ERR_NOTSUPPORTED:
    case PA_ERR_INVALID:
        return ceBadFormat;
    default:
        return ceGeneric;
    }
}

class TPulseCaptureStream : public TCaptureStream {
public:
    TPulseCaptureStream(std::shared_ptr<TPulseConnection> connection, uint32_t ringBytes,
                        const std::atomic<bool>& cancelled)
        : TCaptureStream(ringBytes), FConnection(std::move(connection)), FCancelled(cancelled) {}

    ~TPulseCaptureStream() override {
        TPulseConnection::TLock lock(*FConnection);
        if (FStream) {
            pa_stream_set_read_callback(FStream, nullptr, nullptr);
            pa_stream_set_state_callback(FStream, nullptr, nullptr);
            pa_stream_disconnect(FStream);
            pa_stream_unref(FStream);
        }
    }

    TCaptureError Connect(const std::string& sourceName, uint32_t sampleRate, uint32_t channels,
                          uint32_t fragment) {
        TPulseConnection::TLock lock(*FConnection);
        const pa_sample_spec spec{PA_SAMPLE_S16LE, sampleRate, static_cast<uint8_t>(channels)};
        if (!pa_sample_spec_valid(&spec)) return ceBadFormat;
        pa_context* context = FConnection->ReadyContext(TPulseConnection::ConnectTimeoutMs, &FCancelled);
        if (!context) return ceNoDriver;
        FStream = pa_stream_new(context, "Recording", &spec, nullptr);
        if (!FStream) return ErrorFromServer(pa_context_errno(context));
        pa_stream_set_read_callback(FStream, &TPulseCaptureStream::OnReadable, this);
        pa_stream_set_state_callback(FStream, &TPulseCaptureStream::OnStateChanged, this);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = attr.prebuf = attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = fragment;
        // A vanished source fails the run rather than quietly switching the recording elsewhere.
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_DONT_MOVE | PA_STREAM_ADJUST_LATENCY |
                                                          PA_STREAM_START_CORKED);
        if (pa_stream_connect_record(FStream, sourceName.c_str(), &attr, flags) < 0)
            return ErrorFromServer(pa_context_errno(context));
        const bool settled = FConnection->WaitLocked(
            [this] { return pa_stream_get_state(FStream) != PA_STREAM_CREATING || FCancelled; });
        if (settled && pa_stream_get_state(FStream) == PA_STREAM_READY) return ceNone;
        const int code = pa_context_errno(context);
        return code == PA_OK ? ceGeneric : ErrorFromServer(code);
    }

    bool Start() override { return Cork(false); }
    bool Stop() override { return Cork(true); }

private:
    bool Cork(bool cork) {
        TPulseConnection::TLock lock(*FConnection);
        return FConnection->Complete(pa_stream_cork(FStream, cork ? 1 : 0, nullptr, nullptr),
                                     TPulseConnection::OperationTimeoutMs, &FCancelled);
    }

    // On the server connection's thread, with the loop's lock held.
    static void OnReadable(pa_stream* stream, size_t, void* self) {
        auto& me = *static_cast<TPulseCaptureStream*>(self);
        const void* data = nullptr;
        size_t length = 0;
        while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &length) == 0 &&
               length > 0) {
            me.FRing.Append(data, length); // a hole (no data) is kept as silence
            pa_stream_drop(stream);
        }
    }

    // On the server connection's thread: a stream that failed (its source went away, or the
    // server did) wakes the reader at once.
    static void OnStateChanged(pa_stream* stream, void* self) {
        auto& me = *static_cast<TPulseCaptureStream*>(self);
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) me.FRing.Fail();
        me.FConnection->Signal();
    }

    std::shared_ptr<TPulseConnection> FConnection;
    const std::atomic<bool>& FCancelled; // the capture source's: it outlives the stream
    pa_stream* FStream = nullptr;        // under the loop's lock
};

class TServerCapturePlatform : public TCapturePlatform {
public:
    TServerCapturePlatform() : FConnection(TPulseConnection::Acquire()) {}

    std::vector<TCaptureDevice> ListDevices() override {
        std::vector<TCaptureDevice> devices;
        if (!FConnection) return devices;
        TPulseConnection::TLock lock(*FConnection);
        pa_context* context = FConnection->ReadyContext();
        if (!context) return devices;
        const auto add = [](pa_context*, const pa_source_info* info, int eol, void* list) {
            if (eol == 0 && info)
                static_cast<std::vector<TCaptureDevice>*>(list)->push_back(
                    {info->name ? info->name : "", info->description ? info->description : ""});
        };
        if (!FConnection->Complete(pa_context_get_source_info_list(context, add, &devices))) devices.clear();
        return devices;
    }

    std::unique_ptr<TCaptureStream> Open(const std::string& sourceName, uint32_t sampleRate,
                                         uint32_t channels, uint32_t ringBytes, uint32_t fragmentBytes,
                                         const std::atomic<bool>& cancelled, TCaptureError& error) override {
        if (!FConnection) {
            error = ceNoDriver;
            return nullptr;
        }
        // Some sources deliver in bursts of up to two seconds, so the ring holds at least four
        // seconds and a burst never overwrites audio the reader has not taken yet.
        const uint32_t fourSeconds = 4 * sampleRate * channels * 2;
        auto stream =
            std::make_unique<TPulseCaptureStream>(FConnection, std::max(ringBytes, fourSeconds), cancelled);
        error = stream->Connect(sourceName, sampleRate, channels, fragmentBytes);
        if (error != ceNone) return nullptr;
        return stream;
    }

    void WakeWaits() override {
        if (!FConnection) return;
        TPulseConnection::TLock lock(*FConnection);
        FConnection->Signal();
    }

private:
    const std::shared_ptr<TPulseConnection> FConnection;
};

} // namespace

std::shared_ptr<TCapturePlatform> ServerCapturePlatform() {
    return ProcessShared<TCapturePlatform>([] { return std::make_shared<TServerCapturePlatform>(); });
}
