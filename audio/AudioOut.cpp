#include "AudioOut.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

[[noreturn]] void LostServer() {
    throw EAuException("Playback failed: the connection to the sound server was lost");
}

// Playing out what the server holds never takes much longer than its latency.
constexpr auto DrainLimit = std::chrono::milliseconds(TAudioOut::LatencyMs + 2000);

int32_t ReadSample(const uint8_t* p, uint32_t bits) {
    switch (bits) {
    case 8:
        return static_cast<int32_t>(p[0]) - 128;
    case 16:
        return static_cast<int16_t>(p[0] | p[1] << 8);
    case 24:
        return static_cast<int32_t>(static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) << 8) >> 8;
    default:
        return static_cast<int32_t>(static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) |
                                    static_cast<uint32_t>(p[3]) << 24);
    }
}

void WriteSample(uint8_t* p, uint32_t bits, int32_t value) {
    if (bits == 8) {
        p[0] = static_cast<uint8_t>(value + 128);
        return;
    }
    for (uint32_t i = 0; i < bits / 8; ++i)
        p[i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

} // namespace

TAudioOut::TAudioOut(TComponent* AOwner, std::shared_ptr<TPlaybackPlatform> platform)
    : TAuOutput(AOwner), FPlatform(platform ? std::move(platform) : ServerPlaybackPlatform()) {}

TAudioOut::~TAudioOut() { ShutdownThread(); }

void TAudioOut::SetVolume(int32_t value) { FVolume = std::clamp(value, 0, 1000); }

std::shared_ptr<TPlaybackStream> TAudioOut::Stream() {
    std::lock_guard lock(FStreamLock);
    return FStream;
}

int64_t TAudioOut::PositionMs() {
    if (const auto stream = Stream()) FHeardMs = static_cast<int64_t>(stream->HeardUs() / 1000);
    return FHeardMs;
}

void TAudioOut::DoPrepare() {
    TAuInput& input = *Input();
    input.Init();
    FBitsPerSample = input.BitsPerSample();
    FFrameBytes = FBitsPerSample / 8 * input.Channels();
    FPending.clear();
    FDraining = false;
    FHeardMs = 0;
    std::string error;
    auto stream = FPlatform->Open(input.SampleRate(), input.Channels(), FBitsPerSample, LatencyMs, error);
    if (!stream) throw EAuException("Playback failed: " + error);
    std::shared_ptr<TPlaybackStream> opened = std::move(stream);
    std::lock_guard lock(FStreamLock);
    FStream = std::move(opened);
}

void TAudioOut::DoFinish() {
    std::shared_ptr<TPlaybackStream> closing;
    {
        std::lock_guard lock(FStreamLock);
        closing = std::move(FStream);
    }
    if (closing) FHeardMs = static_cast<int64_t>(closing->HeardUs() / 1000);
    closing.reset();
    Input()->Flush();
}

void TAudioOut::DoPause() {
    if (const auto stream = Stream()) stream->Cork(true);
}

void TAudioOut::DoResume() {
    if (const auto stream = Stream()) stream->Cork(false);
}

bool TAudioOut::Drain() {
    bool done = false;
    if (!FStream->Drained(done)) LostServer();
    if (done || std::chrono::steady_clock::now() > FDrainDeadline) return false;
    FStream->WaitWritable(10);
    return true;
}

bool TAudioOut::DoChunk(bool Abort) {
    if (Abort) {
        FStream->Flush(); // a server that is gone has nothing left to drop
        return false;
    }
    if (FDraining) return Drain();
    uint32_t writable = 0;
    if (!FStream->Writable(writable)) LostServer();
    const uint32_t wanted = std::min(writable, ChunkBytes) / FFrameBytes * FFrameBytes;
    if (wanted == 0) {
        FStream->WaitWritable(20);
        return true;
    }
    void* data = nullptr;
    uint32_t bytes = wanted;
    Input()->GetData(data, bytes);
    if (bytes == 0) {
        if (!FStream->StartDrain()) LostServer();
        FDraining = true;
        FDrainDeadline = std::chrono::steady_clock::now() + DrainLimit;
        return true;
    }
    const auto* in = static_cast<const uint8_t*>(data);
    FPending.insert(FPending.end(), in, in + bytes);
    const uint32_t whole = static_cast<uint32_t>(FPending.size()) / FFrameBytes * FFrameBytes;
    ApplyVolume(FPending.data(), whole);
    if (whole > 0 && !FStream->Write(FPending.data(), whole)) LostServer();
    FPending.erase(FPending.begin(), FPending.begin() + whole);
    return true;
}

void TAudioOut::ApplyVolume(uint8_t* data, uint32_t bytes) const {
    const int64_t volume = FVolume;
    if (volume >= 1000) return;
    const uint32_t width = FBitsPerSample / 8;
    for (uint32_t i = 0; i + width <= bytes; i += width)
        WriteSample(data + i, FBitsPerSample,
                    static_cast<int32_t>(ReadSample(data + i, FBitsPerSample) * volume / 1000));
}
