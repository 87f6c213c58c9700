#pragma once
// The capture source: records from one of the sound server's inputs. The device list is read when
// the source is created; the chosen input is opened when a run starts and polled on every pull.

#include "AuPipeline.h"

#include <memory>
#include <vector>

class TCaptureStream;
using TOverrunEvent = std::function<void(TComponent* Sender)>;

class TDXAudioIn : public TAuInput {
public:
    static constexpr int MaxDevices = 16;
    static constexpr size_t MaxDescriptionLength = 127; // characters

    explicit TDXAudioIn(TComponent* AOwner = nullptr);
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

    int32_t DeviceCount() const { return static_cast<int32_t>(FDevices.size()); }
    uint32_t Overruns() const { return FOverruns; }
    std::string GetDeviceName(int32_t Number) const;

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
    void OpenDevice();
    void CloseDevice();
    uint32_t WaitForData();

    std::vector<TDevice> FDevices;
    std::atomic<uint32_t> FLatency{100};
    std::atomic<uint32_t> FFramesInBuffer{24576};
    std::atomic<uint32_t> FPollingInterval{100};
    std::atomic<int32_t> FDeviceNumber{0};
    std::atomic<uint32_t> FBPS{8}, FChan{1}, FFreq{8000};
    std::atomic<int64_t> FSamplesToRead{-1};
    std::atomic<int32_t> FRecTime{-1};
    std::atomic<uint32_t> FOverruns{0}; // worker counts, main reads
    TOverrunEvent FOnOverrun;
    TEventHandler* FEvents;             // for OnOverrun
    // Worker only, between DoInit and DoFlush:
    std::unique_ptr<TCaptureStream> FCapture;
    std::vector<uint8_t> Buf;
    int32_t _BufSize = 0;
    int32_t FOpened = 0;
};
