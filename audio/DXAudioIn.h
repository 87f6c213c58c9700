#pragma once
// The capture source: records from one of the platform's inputs (the sound server's, unless a test
// gives another). The device list is read when the source is created; the chosen input is opened
// when a run starts (the last run's stream is taken again when it fits), and each pull waits for
// what it has captured.
//
// A pull waits on the capture's ring, holding no lock, until sound arrives, the stream fails
// ("Input failed: ..."), or nothing has come for StallTimeout ("Input stopped delivering sound").
// Once the sink asks to stop (_Interrupt), a pull waits at most StopGrace() more, for the sound
// the server is still handing over, and then the data ends. While paused it waits without a
// stall limit.

#include "AuPipeline.h"
#include "CapturePlatform.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

using TOverrunEvent = std::function<void(TComponent* Sender)>;

class TDXAudioIn : public TAuInput {
public:
    static constexpr int MaxDevices = 16;
    static constexpr size_t MaxDescriptionLength = 127; // characters

    // A running capture that delivers nothing for this long has failed (ms).
    static constexpr int32_t StallTimeout = 3000;

    // Without a platform, the sound server's inputs.
    explicit TDXAudioIn(TComponent* AOwner = nullptr, std::shared_ptr<TCapturePlatform> platform = nullptr);
    ~TDXAudioIn() override;

    // Setters are for the main thread while the source is idle, unless said otherwise.
    uint32_t Latency() const { return FLatency; }
    void SetLatency(uint32_t value) { FLatency = value; }
    int64_t SamplesToRead() const { return FSamplesToRead; }
    void SetSamplesToRead(int64_t value) { FSamplesToRead = value; }
    int32_t DeviceNumber() const { return FDeviceNumber; }
    void SetDeviceNumber(int32_t value) { FDeviceNumber = value; }
    void SetInBitsPerSample(uint32_t value) { FBPS = value; }
    void SetInChannels(uint32_t value) { FChan = value; }
    void SetInSampleRate(uint32_t value) { FFreq = value; }
    int32_t RecTime() const { return FRecTime; }
    void SetRecTime(int32_t value);
    uint32_t FramesInBuffer() const { return FFramesInBuffer; }
    // Ignored while the source is busy.
    void SetFramesInBuffer(uint32_t value);
    uint32_t PollingInterval() const { return FPollingInterval; }
    void SetPollingInterval(uint32_t value) { FPollingInterval = value; }
    // Posted through the event thread, so it runs on the main thread.
    void SetOnOverrun(TOverrunEvent handler) { FOnOverrun = std::move(handler); }

    // After a stop, how long a pull still waits for the sound already on its way (ms).
    int32_t StopGrace() const { return 2 * static_cast<int32_t>(FPollingInterval.load()); }
    // Tests shorten the stall limit; main thread, while idle.
    int32_t StallTimeoutMs() const { return FStallTimeout; }
    void SetStallTimeout(int32_t ms) { FStallTimeout = ms; }

    // The pull waits for sound outside the source's lock.
    void GetData(void*& Buffer, uint32_t& Bytes) override;
    // Any thread: a waiting pull returns at once, and the run's data ends.
    void _Interrupt() override;
    bool _AwaitingData() const override { return FAwaiting; }

    int32_t DeviceCount() const;
    uint32_t Overruns() const { return FOverruns; }
    std::string GetDeviceName(int32_t Number) const;
    // The platform's own name of the device (the server's source name), or empty.
    std::string DeviceIdentifier(int32_t Number) const;
    // The position of the device with that identifier, or -1.
    int32_t DeviceNumberOf(const std::string& identifier) const;
    // Reads the platform's list again (inputs come and go); main thread. A run under way keeps
    // the device it opened.
    void RefreshDevices();

protected:
    uint32_t GetBitsPerSample() override { return FBPS; }
    uint32_t GetChannels() override { return FChan; }
    uint32_t GetSampleRate() override { return FFreq; }
    uint32_t GetTotalTime() override;
    int64_t GetTotalSamples() override { return FSamplesToRead; }
    void DoInit() override;
    void DoFlush() override;
    void DoGetData(void*& Buffer, uint32_t& Bytes) override;
    void _Pause() override;
    void _Resume() override;

private:
    struct TDevice {
        std::string name;
        std::string description;
    };
    using TClock = std::chrono::steady_clock;
    // What a stream was opened for: a stream fits another run only when all of it is the same.
    struct TStreamKey {
        std::string source;
        uint32_t sampleRate = 0, channels = 0, ringBytes = 0, fragmentBytes = 0;
        bool operator==(const TStreamKey&) const = default;
    };

    void OpenDevice();
    void CloseDevice();
    // The stream the last run left, when it fits this run and still works.
    std::shared_ptr<TCaptureStream> TakeParked(const TStreamKey& key);
    // Waits until the capture has sound for the next block, fails, is interrupted or stalls.
    void AwaitCapture();
    // Bytes for the next block; 0 once interrupted. Raises when the input failed or stalled.
    uint32_t TakeWaiting();
    std::shared_ptr<TCaptureStream> Capture();
    static TClock::rep Now() { return TClock::now().time_since_epoch().count(); }
    // How long a pull may still wait, from the time of the last delivery or of the stop; 0 when up.
    int32_t WaitLeft() const;

    std::string DeviceField(int32_t Number, std::string TDevice::*field) const;

    mutable std::mutex FDevicesLock; // guards FDevices: main writes, the worker reads at open; a leaf
    std::vector<TDevice> FDevices;
    std::atomic<uint32_t> FLatency{100};
    std::atomic<uint32_t> FFramesInBuffer{24576};
    std::atomic<uint32_t> FPollingInterval{100};
    std::atomic<int32_t> FDeviceNumber{0};
    std::atomic<uint32_t> FBPS{8}, FChan{1}, FFreq{8000};
    std::atomic<int64_t> FSamplesToRead{-1};
    std::atomic<int32_t> FRecTime{-1};
    std::atomic<uint32_t> FOverruns{0}; // worker counts, main reads
    std::atomic<int32_t> FStallTimeout{StallTimeout};
    TOverrunEvent FOnOverrun;
    TEventHandler* FEvents; // for OnOverrun
    const std::shared_ptr<TCapturePlatform> FPlatform;
    // The open stream: the worker sets and clears it under FCaptureLock between DoInit and DoFlush;
    // the main thread copies it under the lock to interrupt, pause or resume it. A leaf lock,
    // never held while calling the stream.
    std::mutex FCaptureLock;
    std::shared_ptr<TCaptureStream> FCapture;
    // The last run's stream, corked, kept under FCaptureLock for the next run on the same input
    // (monitoring hands over to a recording, and back): setting up a new stream costs the server
    // a link into its graph, and on some servers the first few hundred ms of the take. Written by
    // the worker of the sink whose run closes or opens the input; freed by the destructor.
    std::shared_ptr<TCaptureStream> FParked;
    TStreamKey FParkedKey;
    std::atomic<bool> FInterrupted{false};      // any thread sets; DoInit clears; the worker reads
    std::atomic<TClock::rep> FInterruptedAt{0}; // written before FInterrupted is set
    std::atomic<bool> FPaused{false};           // main writes in _Pause/_Resume; the worker reads
    std::atomic<bool> FAwaiting{false};         // the worker writes while a pull waits; main reads
    std::atomic<TClock::rep> FLastDelivery{0};  // worker on each block, main on resume; the worker reads
    // The running sink's worker only, between DoInit and DoFlush:
    std::vector<uint8_t> Buf;
    int32_t _BufSize = 0;
    int32_t FOpened = 0;
    TStreamKey FOpenedKey;
    bool FReusable = false; // the open stream has not failed, stalled or failed to start
};
