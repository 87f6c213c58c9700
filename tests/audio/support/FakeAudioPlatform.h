#pragma once
// Scripted stand-ins for the sound server: an input that delivers a 440 Hz tone in real time, in
// bursts, or not at all, and that fails or vanishes on cue; and an output that takes what it is
// given, stops taking it, or fails. Everything runs in milliseconds, without a server.

#include "CapturePlatform.h"
#include "PlaybackPlatform.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class TFakeCaptureStream;

class TFakeCapture : public TCapturePlatform {
public:
    static constexpr uint32_t BlockMs = 10; // what the live input hands over at a time

    explicit TFakeCapture(std::vector<TCaptureDevice> devices = {{"fake_mic", "Fake microphone"}});
    ~TFakeCapture() override;

    std::vector<TCaptureDevice> ListDevices() override;
    std::unique_ptr<TCaptureStream> Open(const std::string& sourceName, uint32_t sampleRate,
                                         uint32_t channels, uint32_t ringBytes, uint32_t fragmentBytes,
                                         const std::atomic<bool>& cancelled, TCaptureError& error) override;

    // Script, from the test's thread. Live delivers BlockMs of tone every BlockMs while the
    // stream is started; Stall stops that (the stream stays open and delivers nothing).
    void Live();
    void Stall();
    // Appends ms of tone at once, as some servers do.
    void Burst(uint32_t ms);
    // The open stream fails for good, as when the server goes away.
    void Fail();
    // The input fails and is gone from the list, as when it is unplugged.
    void Vanish();
    // The next opens fail with that error (ceNone: they succeed again).
    void RefuseOpens(TCaptureError error) { FRefusal = error; }
    // Cork and uncork take this long, as a slow server does (ms).
    void DelayCorks(int ms) { FCorkDelayMs = ms; }

    // What the test looks at.
    bool WaitForStream(int timeoutMs); // an open stream, started
    int Opens() const { return FOpens; }
    int OpenStreams() const { return FOpenStreams; }
    // Every byte delivered to the streams, in order.
    std::vector<uint8_t> Delivered();

private:
    friend class TFakeCaptureStream;
    void Feed();
    void Deliver(uint32_t ms); // with FLock held
    void Forget(TFakeCaptureStream* stream);

    std::vector<TCaptureDevice> FDevices; // under FLock
    std::mutex FLock;                     // guards FDevices, FStream, FDelivered, FFrame; a leaf
    TFakeCaptureStream* FStream = nullptr;
    std::vector<uint8_t> FDelivered;
    int64_t FFrame = 0; // the tone's next sample frame, so every delivery goes on where the last ended
    std::atomic<bool> FLive{false};
    std::atomic<bool> FQuit{false};
    std::atomic<TCaptureError> FRefusal{ceNone};
    std::atomic<int> FCorkDelayMs{0};
    std::atomic<int> FOpens{0}, FOpenStreams{0};
    std::thread FFeeder;
};

class TFakePlayback : public TPlaybackPlatform {
public:
    std::unique_ptr<TPlaybackStream> Open(uint32_t sampleRate, uint32_t channels, uint32_t bitsPerSample,
                                          uint32_t latencyMs, std::string& error) override;

    // Script: the output stops taking data (it stays open), or fails for good.
    std::atomic<bool> Stalled{false};
    std::atomic<bool> Failed{false};
    std::atomic<uint64_t> BytesWritten{0};
};
