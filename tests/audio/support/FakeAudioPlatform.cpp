#include "FakeAudioPlatform.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

class TFakeCaptureStream : public TCaptureStream {
public:
    TFakeCaptureStream(TFakeCapture& platform, std::string source, uint32_t sampleRate, uint32_t channels,
                       uint32_t ringBytes)
        : TCaptureStream(ringBytes), FSource(std::move(source)), FSampleRate(sampleRate), FChannels(channels),
          FPlatform(platform) {}
    ~TFakeCaptureStream() override { FPlatform.Forget(this); }

    bool Start() override { return Cork(false); }
    bool Stop() override { return Cork(true); }

    void Append(const std::vector<uint8_t>& bytes) { FRing.Append(bytes.data(), bytes.size()); }
    void Fail() { FRing.Fail(); }

    const std::string FSource;
    const uint32_t FSampleRate, FChannels;
    std::atomic<bool> Started{false};

private:
    bool Cork(bool cork) {
        std::this_thread::sleep_for(std::chrono::milliseconds(FPlatform.FCorkDelayMs.load()));
        Started = !cork;
        return true;
    }

    TFakeCapture& FPlatform;
};

TFakeCapture::TFakeCapture(std::vector<TCaptureDevice> devices) : FDevices(std::move(devices)) {
    FFeeder = std::thread(&TFakeCapture::Feed, this);
}

TFakeCapture::~TFakeCapture() {
    FQuit = true;
    FFeeder.join();
}

std::vector<TCaptureDevice> TFakeCapture::ListDevices() {
    std::lock_guard lock(FLock);
    return FDevices;
}

std::unique_ptr<TCaptureStream> TFakeCapture::Open(const std::string& sourceName, uint32_t sampleRate,
                                                   uint32_t channels, uint32_t ringBytes, uint32_t,
                                                   const std::atomic<bool>&, TCaptureError& error) {
    ++FOpens;
    std::lock_guard lock(FLock);
    const bool listed = std::any_of(FDevices.begin(), FDevices.end(),
                                    [&](const TCaptureDevice& d) { return d.name == sourceName; });
    error = listed ? FRefusal.load() : ceNoDriver;
    if (error != ceNone) return nullptr;
    // The server's ring holds four seconds at least, so that a burst of two fits.
    const uint32_t fourSeconds = 4 * sampleRate * channels * 2;
    auto stream = std::make_unique<TFakeCaptureStream>(*this, sourceName, sampleRate, channels,
                                                       std::max(ringBytes, fourSeconds));
    FStream = stream.get();
    ++FOpenStreams;
    return stream;
}

void TFakeCapture::Forget(TFakeCaptureStream* stream) {
    std::lock_guard lock(FLock);
    if (FStream == stream) FStream = nullptr;
    --FOpenStreams;
}

void TFakeCapture::Live() { FLive = true; }
void TFakeCapture::Stall() { FLive = false; }

void TFakeCapture::Burst(uint32_t ms) {
    std::lock_guard lock(FLock);
    Deliver(ms);
}

void TFakeCapture::Fail() {
    std::lock_guard lock(FLock);
    if (FStream) FStream->Fail();
}

void TFakeCapture::Vanish() {
    std::lock_guard lock(FLock);
    if (!FStream) return;
    std::erase_if(FDevices, [this](const TCaptureDevice& d) { return d.name == FStream->FSource; });
    FStream->Fail();
}

bool TFakeCapture::WaitForStream(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            std::lock_guard lock(FLock);
            if (FStream && FStream->Started) return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::vector<uint8_t> TFakeCapture::Delivered() {
    std::lock_guard lock(FLock);
    return FDelivered;
}

void TFakeCapture::Deliver(uint32_t ms) {
    if (!FStream) return;
    const uint32_t rate = FStream->FSampleRate, channels = FStream->FChannels;
    const int64_t frames = int64_t{rate} * ms / 1000;
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(frames * channels * 2));
    for (int64_t i = 0; i < frames; ++i, ++FFrame) {
        const double phase = 2 * std::numbers::pi * 440.0 * static_cast<double>(FFrame) / rate;
        const auto sample = static_cast<int16_t>(std::lround(0.5 * 32767 * std::sin(phase)));
        for (uint32_t c = 0; c < channels; ++c) {
            bytes.push_back(static_cast<uint8_t>(sample & 0xFF));
            bytes.push_back(static_cast<uint8_t>((sample >> 8) & 0xFF));
        }
    }
    FStream->Append(bytes);
    FDelivered.insert(FDelivered.end(), bytes.begin(), bytes.end());
}

void TFakeCapture::Feed() {
    auto next = std::chrono::steady_clock::now();
    while (!FQuit) {
        next += std::chrono::milliseconds(BlockMs);
        std::this_thread::sleep_until(next);
        if (!FLive) continue;
        std::lock_guard lock(FLock);
        if (FStream && FStream->Started) Deliver(BlockMs);
    }
}

// ---------------------------------------------------------------------------------------------

namespace {

class TFakePlaybackStream : public TPlaybackStream {
public:
    TFakePlaybackStream(TFakePlayback& platform, uint32_t bytesPerSecond)
        : FPlatform(platform), FBytesPerSecond(bytesPerSecond) {}

    bool Writable(uint32_t& bytes) override {
        bytes = FPlatform.Stalled ? 0 : 16384;
        return !FPlatform.Failed;
    }
    void WaitWritable(int timeoutMs) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(FPlatform.Stalled ? timeoutMs : 1));
    }
    bool Write(const void*, uint32_t bytes) override {
        FWritten += bytes;
        FPlatform.BytesWritten += bytes;
        return !FPlatform.Failed;
    }
    bool Cork(bool) override { return !FPlatform.Failed; }
    bool Flush() override { return !FPlatform.Failed; }
    bool StartDrain() override { return !FPlatform.Failed; }
    bool Drained(bool& done) override {
        done = true;
        return !FPlatform.Failed;
    }
    uint64_t HeardUs() override { return FBytesPerSecond ? FWritten * 1000000 / FBytesPerSecond : 0; }

private:
    TFakePlayback& FPlatform;
    const uint32_t FBytesPerSecond;
    std::atomic<uint64_t> FWritten{0};
};

} // namespace

std::unique_ptr<TPlaybackStream> TFakePlayback::Open(uint32_t sampleRate, uint32_t channels,
                                                     uint32_t bitsPerSample, uint32_t, std::string& error) {
    if (Failed) {
        error = "no sound server";
        return nullptr;
    }
    return std::make_unique<TFakePlaybackStream>(*this, sampleRate * channels * bitsPerSample / 8);
}
