// Playback through the sound server: one playback stream per run.

#include "PlaybackPlatform.h"

#include "AuSync.h"
#include "PulseConnection.h"

#include <algorithm>
#include <mutex>

namespace {

bool FormatOf(uint32_t bitsPerSample, pa_sample_format_t& format) {
    switch (bitsPerSample) {
    case 8:
        format = PA_SAMPLE_U8;
        return true;
    case 16:
        format = PA_SAMPLE_S16LE;
        return true;
    case 24:
        format = PA_SAMPLE_S24LE;
        return true;
    case 32:
        format = PA_SAMPLE_S32LE;
        return true;
    default:
        return false;
    }
}

class TPulsePlaybackStream : public TPlaybackStream {
public:
    explicit TPulsePlaybackStream(std::shared_ptr<TPulseConnection> connection)
        : FConnection(std::move(connection)) {}

    ~TPulsePlaybackStream() override {
        TPulseConnection::TLock lock(*FConnection);
        if (FDrain) {
            pa_operation_cancel(FDrain);
            pa_operation_unref(FDrain);
        }
        if (FStream) {
            pa_stream_set_write_callback(FStream, nullptr, nullptr);
            pa_stream_set_state_callback(FStream, nullptr, nullptr);
            pa_stream_disconnect(FStream);
            pa_stream_unref(FStream);
        }
    }

    std::string Connect(const pa_sample_spec& spec, uint32_t latencyMs) {
        TPulseConnection::TLock lock(*FConnection);
        pa_context* context = FConnection->ReadyContext();
        if (!context) return "no sound server";
        FStream = pa_stream_new(context, "Playback", &spec, nullptr);
        if (!FStream) return pa_strerror(pa_context_errno(context));
        pa_stream_set_write_callback(FStream, &TPulsePlaybackStream::OnWritable, this);
        pa_stream_set_state_callback(FStream, &TPulseConnection::SignalStream, FConnection.get());
        pa_buffer_attr attr{};
        attr.maxlength = attr.prebuf = attr.minreq = attr.fragsize = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(uint64_t{latencyMs} * 1000, &spec));
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
        if (pa_stream_connect_playback(FStream, nullptr, &attr, flags, nullptr, nullptr) < 0)
            return pa_strerror(pa_context_errno(context));
        FConnection->WaitLocked([this] { return pa_stream_get_state(FStream) != PA_STREAM_CREATING; });
        if (pa_stream_get_state(FStream) == PA_STREAM_READY) return {};
        const int code = pa_context_errno(context);
        return code == PA_OK ? "the sound server did not answer" : pa_strerror(code);
    }

    bool Writable(uint32_t& bytes) override {
        TPulseConnection::TLock lock(*FConnection);
        bytes = 0;
        if (!ReadyLocked()) return false;
        const size_t writable = pa_stream_writable_size(FStream);
        bytes = writable == static_cast<size_t>(-1) ? 0 : static_cast<uint32_t>(writable);
        return true;
    }

    void WaitWritable(int timeoutMs) override { FWritable.WaitFor(timeoutMs); }

    bool Write(const void* data, uint32_t bytes) override {
        TPulseConnection::TLock lock(*FConnection);
        if (!ReadyLocked() || pa_stream_write(FStream, data, bytes, nullptr, 0, PA_SEEK_RELATIVE) != 0)
            return false;
        FWrittenBytes += bytes;
        return true;
    }

    bool Cork(bool cork) override {
        TPulseConnection::TLock lock(*FConnection);
        return ReadyLocked() &&
               FConnection->Complete(pa_stream_cork(FStream, cork ? 1 : 0, nullptr, nullptr));
    }

    bool Flush() override {
        TPulseConnection::TLock lock(*FConnection);
        return ReadyLocked() && FConnection->Complete(pa_stream_flush(FStream, nullptr, nullptr));
    }

    bool StartDrain() override {
        TPulseConnection::TLock lock(*FConnection);
        if (!ReadyLocked()) return false;
        FDrain = pa_stream_drain(FStream, nullptr, nullptr);
        return FDrain != nullptr;
    }

    bool Drained(bool& done) override {
        TPulseConnection::TLock lock(*FConnection);
        done = FDrain && pa_operation_get_state(FDrain) != PA_OPERATION_RUNNING;
        return ReadyLocked();
    }

    uint64_t HeardUs() override {
        TPulseConnection::TLock lock(*FConnection);
        pa_usec_t heard = 0;
        if (!FStream || pa_stream_get_time(FStream, &heard) < 0) return FLastHeard;
        // PipeWire's clock runs on through the silence played after the end: nothing beyond what
        // was written has been heard.
        FLastHeard =
            std::min<uint64_t>(heard, pa_bytes_to_usec(FWrittenBytes, pa_stream_get_sample_spec(FStream)));
        return FLastHeard;
    }

private:
    // A stream whose server went away has failed with its context.
    bool ReadyLocked() const { return pa_stream_get_state(FStream) == PA_STREAM_READY; }

    // On the server connection's thread.
    static void OnWritable(pa_stream*, size_t, void* self) {
        static_cast<TPulsePlaybackStream*>(self)->FWritable.SetEvent();
    }

    std::shared_ptr<TPulseConnection> FConnection;
    pa_stream* FStream = nullptr;   // under the loop's lock
    pa_operation* FDrain = nullptr; // worker only, under the loop's lock
    uint64_t FLastHeard = 0;        // under the loop's lock
    uint64_t FWrittenBytes = 0;     // worker writes, any thread reads; under the loop's lock
    TEvent FWritable;               // the loop's thread signals, the worker waits
};

class TServerPlaybackPlatform : public TPlaybackPlatform {
public:
    TServerPlaybackPlatform() : FConnection(TPulseConnection::Acquire()) {}

    std::unique_ptr<TPlaybackStream> Open(uint32_t sampleRate, uint32_t channels, uint32_t bitsPerSample,
                                          uint32_t latencyMs, std::string& error) override {
        pa_sample_format_t format;
        const pa_sample_spec spec{FormatOf(bitsPerSample, format) ? format : PA_SAMPLE_INVALID, sampleRate,
                                  static_cast<uint8_t>(channels)};
        if (!pa_sample_spec_valid(&spec) || channels > PA_CHANNELS_MAX) {
            error = "the format is not supported";
            return nullptr;
        }
        if (!FConnection) {
            error = "no sound server";
            return nullptr;
        }
        auto stream = std::make_unique<TPulsePlaybackStream>(FConnection);
        error = stream->Connect(spec, latencyMs);
        if (!error.empty()) return nullptr;
        return stream;
    }

private:
    const std::shared_ptr<TPulseConnection> FConnection;
};

} // namespace

std::shared_ptr<TPlaybackPlatform> ServerPlaybackPlatform() {
    return ProcessShared<TPlaybackPlatform>([] { return std::make_shared<TServerPlaybackPlatform>(); });
}
