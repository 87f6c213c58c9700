#include "PulseCapture.h"

#include "PulseConnection.h"

#include <algorithm>
#include <cstring>
#include <mutex>

std::vector<TCaptureDevice> ListCaptureDevices() {
    std::vector<TCaptureDevice> devices;
    const auto connection = TPulseConnection::Connect("Sarvo MP3 Recorder device list");
    if (!connection) return devices;
    TPulseConnection::TLock lock(*connection);
    const auto add = [](pa_context*, const pa_source_info* info, int eol, void* list) {
        if (eol == 0 && info)
            static_cast<std::vector<TCaptureDevice>*>(list)->push_back(
                {info->name ? info->name : "", info->description ? info->description : ""});
    };
    if (!connection->Complete(pa_context_get_source_info_list(connection->Context(), add, &devices))) devices.clear();
    return devices;
}

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
    TPulseCaptureStream(std::unique_ptr<TPulseConnection> connection, uint32_t ringBytes)
        : FConnection(std::move(connection)), FRing(ringBytes) {}

    ~TPulseCaptureStream() override {
        TPulseConnection::TLock lock(*FConnection);
        if (FStream) {
            pa_stream_set_read_callback(FStream, nullptr, nullptr);
            pa_stream_disconnect(FStream);
            pa_stream_unref(FStream);
        }
    }

    TCaptureError Connect(const std::string& sourceName, uint32_t sampleRate, uint32_t channels, uint32_t fragment) {
        TPulseConnection::TLock lock(*FConnection);
        const pa_sample_spec spec{PA_SAMPLE_S16LE, sampleRate, static_cast<uint8_t>(channels)};
        if (!pa_sample_spec_valid(&spec)) return ceBadFormat;
        FStream = pa_stream_new(FConnection->Context(), "Recording", &spec, nullptr);
        if (!FStream) return ErrorFromServer(pa_context_errno(FConnection->Context()));
        pa_stream_set_read_callback(FStream, &TPulseCaptureStream::OnReadable, this);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = attr.prebuf = attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = fragment;
        // A vanished source fails the run rather than quietly switching the recording elsewhere.
        const auto flags =
            static_cast<pa_stream_flags_t>(PA_STREAM_DONT_MOVE | PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
        if (pa_stream_connect_record(FStream, sourceName.c_str(), &attr, flags) < 0)
            return ErrorFromServer(pa_context_errno(FConnection->Context()));
        const bool settled = FConnection->WaitLocked([this] { return pa_stream_get_state(FStream) != PA_STREAM_CREATING; });
        if (settled && pa_stream_get_state(FStream) == PA_STREAM_READY) return ceNone;
        const int code = pa_context_errno(FConnection->Context());
        return code == PA_OK ? ceGeneric : ErrorFromServer(code);
    }

    bool Start() override { return Cork(false); }
    bool Stop() override { return Cork(true); }

    bool Waiting(uint32_t& bytes, bool& lapped) override {
        lapped = false;
        bytes = 0;
        {
            TPulseConnection::TLock lock(*FConnection);
            if (pa_stream_get_state(FStream) != PA_STREAM_READY) return false;
        }
        std::lock_guard ring(FRingLock);
        if (FWritten - FRead > FRing.size()) {
            FRead = FWritten - FRing.size();
            lapped = true;
        }
        bytes = static_cast<uint32_t>(FWritten - FRead);
        return true;
    }

    void Read(void* destination, uint32_t bytes) override {
        std::lock_guard ring(FRingLock);
        auto* out = static_cast<uint8_t*>(destination);
        const size_t offset = FRead % FRing.size();
        const size_t first = std::min<size_t>(bytes, FRing.size() - offset);
        std::memcpy(out, FRing.data() + offset, first);
        std::memcpy(out + first, FRing.data(), bytes - first);
        FRead += bytes;
    }

private:
    bool Cork(bool cork) {
        TPulseConnection::TLock lock(*FConnection);
        return FConnection->Complete(pa_stream_cork(FStream, cork ? 1 : 0, nullptr, nullptr));
    }

    // On the server connection's thread.
    static void OnReadable(pa_stream* stream, size_t, void* self) {
        auto& me = *static_cast<TPulseCaptureStream*>(self);
        const void* data = nullptr;
        size_t length = 0;
        while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &length) == 0 && length > 0) {
            me.Append(data, length); // a hole (no data) is kept as silence
            pa_stream_drop(stream);
        }
    }

    void Append(const void* data, size_t length) {
        std::lock_guard ring(FRingLock);
        const auto* in = static_cast<const uint8_t*>(data);
        // Only the last ring's worth of a very large delivery can be kept.
        if (length > FRing.size()) {
            if (in) in += length - FRing.size();
            FWritten += length - FRing.size();
            length = FRing.size();
        }
        const size_t offset = FWritten % FRing.size();
        const size_t first = std::min(length, FRing.size() - offset);
        if (in) {
            std::memcpy(FRing.data() + offset, in, first);
            std::memcpy(FRing.data(), in + first, length - first);
        } else {
            std::memset(FRing.data() + offset, 0, first);
            std::memset(FRing.data(), 0, length - first);
        }
        FWritten += length;
    }

    std::unique_ptr<TPulseConnection> FConnection;
    pa_stream* FStream = nullptr;
    std::mutex FRingLock;          // guards FRing, FWritten, FRead
    std::vector<uint8_t> FRing;    // written by the server's thread, read by the worker
    uint64_t FWritten = 0;         // bytes the server delivered since the stream opened
    uint64_t FRead = 0;            // bytes the worker took
};

} // namespace

std::unique_ptr<TCaptureStream> TCaptureStream::Open(const std::string& sourceName, uint32_t sampleRate,
                                                     uint32_t channels, uint32_t ringBytes, uint32_t fragmentBytes,
                                                     TCaptureError& error) {
    auto connection = TPulseConnection::Connect("Sarvo MP3 Recorder");
    if (!connection) {
        error = ceNoDriver;
        return nullptr;
    }
    // Some sources deliver in bursts of up to two seconds, so the ring holds at least four seconds
    // and a burst never overwrites audio the reader has not taken yet.
    const uint32_t fourSeconds = 4 * sampleRate * channels * 2;
    auto stream = std::make_unique<TPulseCaptureStream>(std::move(connection), std::max(ringBytes, fourSeconds));
    error = stream->Connect(sourceName, sampleRate, channels, fragmentBytes);
    if (error != ceNone) return nullptr;
    return stream;
}
