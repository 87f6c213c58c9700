#include "DXAudioIn.h"

#include "AuText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char* CodeName(TCaptureError error) {
    switch (error) {
    case ceNoDriver:
        return "DSERR_NODRIVER";
    case ceAllocated:
        return "DSERR_ALLOCATED";
    case ceBadFormat:
        return "DSERR_BADFORMAT";
    case ceGeneric:
        return "DSERR_GENERIC";
    default:
        return "Unknown";
    }
}

// The code a failed poll or read reports, as the error text shows it.
constexpr uint32_t InputFailedCode = 0x88780078; // the device went away

constexpr const char* InputStalledMessage = "Input stopped delivering sound";
// How often a pull held by a pause looks at its flags again (ms).
constexpr int PausedPollMs = 500;

} // namespace

TDXAudioIn::TDXAudioIn(TComponent* AOwner, std::shared_ptr<TCapturePlatform> platform)
    : TAuInput(AOwner), FEvents(&TEventHandler::Acquire()),
      FPlatform(platform ? std::move(platform) : ServerCapturePlatform()) {
    FSize = -1;
    RefreshDevices();
}

void TDXAudioIn::RefreshDevices() {
    std::vector<TDevice> devices;
    for (const TCaptureDevice& device : FPlatform->ListDevices()) {
        if (static_cast<int32_t>(devices.size()) == MaxDevices) break;
        devices.push_back({device.name, FirstCharacters(device.description, MaxDescriptionLength)});
    }
    std::lock_guard lock(FDevicesLock);
    FDevices = std::move(devices);
}

int32_t TDXAudioIn::DeviceCount() const {
    std::lock_guard lock(FDevicesLock);
    return static_cast<int32_t>(FDevices.size());
}

std::string TDXAudioIn::DeviceField(int32_t Number, std::string TDevice::*field) const {
    std::lock_guard lock(FDevicesLock);
    return Number >= 0 && Number < static_cast<int32_t>(FDevices.size())
               ? FDevices[static_cast<size_t>(Number)].*field
               : std::string();
}

std::string TDXAudioIn::DeviceIdentifier(int32_t Number) const { return DeviceField(Number, &TDevice::name); }

int32_t TDXAudioIn::DeviceNumberOf(const std::string& identifier) const {
    std::lock_guard lock(FDevicesLock);
    for (size_t i = 0; i < FDevices.size(); ++i)
        if (FDevices[i].name == identifier) return static_cast<int32_t>(i);
    return -1;
}

TDXAudioIn::~TDXAudioIn() {
    MarkDestroying();
    NotifyDestruction();
    FParked.reset(); // before the flags it was opened with
    FEvents->Forget(this);
    TEventHandler::Release();
}

std::string TDXAudioIn::GetDeviceName(int32_t Number) const {
    return DeviceField(Number, &TDevice::description);
}

void TDXAudioIn::SetRecTime(int32_t value) {
    FRecTime = value;
    FSamplesToRead = value < 0 ? -1 : int64_t{value} * FFreq;
}

void TDXAudioIn::SetFramesInBuffer(uint32_t value) {
    if (!Busy) FFramesInBuffer = value;
}

uint32_t TDXAudioIn::GetTotalTime() {
    if (FSamplesToRead < 0 || FFreq == 0) return 0;
    return static_cast<uint32_t>(RoundHalfEven(static_cast<double>(FSamplesToRead) / FFreq));
}

void TDXAudioIn::OpenDevice() {
    if (FOpened > 0) {
        ++FOpened;
        return;
    }
    if (FLatency != 0) {
        if (FLatency < 10) FLatency = 10;
        FFramesInBuffer = static_cast<uint32_t>(uint64_t{FLatency} * FFreq / 1000);
        FPollingInterval = FLatency / 2;
    }
    _BufSize = static_cast<int32_t>(FFramesInBuffer * (FBPS / 8) * FChan);
    if (_BufSize <= 0 || FBPS != 16) throw EAuException("Failed to create DirectSound buffer");
    TCaptureError error = ceNone;
    const uint32_t fragment =
        static_cast<uint32_t>(uint64_t{FPollingInterval} * FFreq / 1000 * (FBPS / 8) * FChan);
    const TStreamKey key{DeviceIdentifier(FDeviceNumber), FFreq, FChan, static_cast<uint32_t>(_BufSize),
                         std::max<uint32_t>(fragment, 64)};
    std::shared_ptr<TCaptureStream> stream = TakeParked(key);
    if (!stream)
        stream = FPlatform->Open(key.source, key.sampleRate, key.channels, key.ringBytes, key.fragmentBytes,
                                 FInterrupted, error);
    if (!stream && FInterrupted) return; // a stop came first: the run ends with no data, not a failure
    if (!stream) throw EAuException(std::string("Failed to create DirectSound device: ") + CodeName(error));
    Buf.assign(static_cast<size_t>(_BufSize), 0);
    ++FOpened;
    FOpenedKey = key;
    FReusable = true;
    std::lock_guard lock(FCaptureLock);
    FCapture = std::move(stream);
}

std::shared_ptr<TCaptureStream> TDXAudioIn::TakeParked(const TStreamKey& key) {
    std::shared_ptr<TCaptureStream> parked;
    bool fits = false;
    {
        std::lock_guard lock(FCaptureLock);
        parked = std::move(FParked);
        fits = FParkedKey == key;
    }
    // One that does not fit or has failed is closed here, outside the lock, before another opens.
    if (!parked || !fits || parked->Failed()) return nullptr;
    parked->Discard(); // what came before this run is not part of it
    return parked;
}

void TDXAudioIn::CloseDevice() {
    if (FOpened == 1) {
        std::shared_ptr<TCaptureStream> closing;
        {
            std::lock_guard lock(FCaptureLock);
            closing = std::move(FCapture);
            if (FReusable) {
                std::swap(closing, FParked);
                FParkedKey = FOpenedKey;
            }
        }
        closing.reset(); // outside the lock: closing talks to the platform
        Buf.clear();
        Buf.shrink_to_fit();
    }
    if (FOpened > 0) --FOpened;
}

void TDXAudioIn::DoInit() {
    if (Busy) throw EAuException("The component is busy");
    if (FDeviceNumber < 0 || FDeviceNumber >= DeviceCount()) throw EAuException("Invalid device number");
    if (FRecTime > 0) FSamplesToRead = int64_t{FRecTime} * FFreq;
    BufEnd = 0;
    BufStart = 1;
    FPosition = 0;
    FInterrupted = false;
    FPaused = false;
    Busy = true;
    FSampleSize = static_cast<uint16_t>(FChan * (FBPS / 8));
    FSize = FSamplesToRead > 0 ? FSamplesToRead * FSampleSize : -1;
    OpenDevice();
    if (FCapture && !FCapture->Start() && !FInterrupted) {
        FReusable = false;
        throw EAuException("Failed to create DirectSound buffer");
    }
    FLastDelivery = Now(); // the stall limit counts from the start
}

void TDXAudioIn::DoFlush() {
    if (const auto capture = Capture()) capture->Stop();
    CloseDevice();
    Busy = false;
}

std::shared_ptr<TCaptureStream> TDXAudioIn::Capture() {
    std::lock_guard lock(FCaptureLock);
    return FCapture;
}

void TDXAudioIn::GetData(void*& Buffer, uint32_t& Bytes) {
    AwaitCapture(); // before the lock, so that nothing waits behind a pull that waits for sound
    TAuInput::GetData(Buffer, Bytes);
}

void TDXAudioIn::AwaitCapture() {
    // BufStart, BufEnd and FCapture are the pulling worker's own, so no lock is needed to read them.
    if (!Busy || BufStart < BufEnd || !FCapture) return;
    AssertThreadRole(TThreadRole::Worker, "A capture's wait for sound"); // never the main thread's
    FAwaiting = true;
    for (;;) {
        // Wakes first: a stop that comes after this reading ends the wait below at once.
        const uint64_t wakes = FCapture->Wakes();
        if (FCapture->Readable()) break;
        const int32_t left = WaitLeft();
        if (left == 0) break;
        FCapture->WaitReadable(std::min(left, PausedPollMs), wakes);
    }
    FAwaiting = false;
}

int32_t TDXAudioIn::WaitLeft() const {
    using namespace std::chrono;
    const auto since = [](TClock::rep at) {
        return duration_cast<milliseconds>(TClock::now() - TClock::time_point(TClock::duration(at))).count();
    };
    int64_t left = PausedPollMs; // paused: no limit, but the flags are looked at again
    if (FInterrupted)
        left = StopGrace() - since(FInterruptedAt);
    else if (!FPaused)
        left = FStallTimeout - since(FLastDelivery);
    return static_cast<int32_t>(std::max<int64_t>(left, 0));
}

uint32_t TDXAudioIn::TakeWaiting() {
    uint32_t waiting = 0;
    bool lapped = false;
    if (!FCapture && FInterrupted) return 0; // stopped before the input opened
    if (!FCapture || !FCapture->Waiting(waiting, lapped)) {
        FReusable = false;
        char message[64];
        std::snprintf(message, sizeof message, "Input failed: DirectSound error 0x%x", InputFailedCode);
        throw EAuException(message);
    }
    if (lapped) {
        ++FOverruns;
        if (FOnOverrun) FEvents->PostGenericEvent(this, 0, FOnOverrun);
    }
    if (waiting > 0) return std::min(waiting, static_cast<uint32_t>(_BufSize));
    if (FInterrupted) return 0;
    FReusable = false; // a stalled stream may be bound to a device that is gone: the next run opens anew
    throw EAuException(InputStalledMessage);
}

void TDXAudioIn::DoGetData(void*& Buffer, uint32_t& Bytes) {
    if (!Busy) throw EAuException("The Stream is not opened");
    if (FSamplesToRead >= 0 && FPosition >= FSize) {
        Buffer = nullptr;
        Bytes = 0;
        return;
    }
    if (BufStart >= BufEnd) {
        BufStart = 0;
        BufEnd = 0;
        AwaitCapture();
        const uint32_t waiting = TakeWaiting();
        if (waiting == 0) { // the sink asked to stop: the data ends here
            Buffer = nullptr;
            Bytes = 0;
            return;
        }
        FCapture->Read(Buf.data(), waiting);
        BufEnd = waiting;
        FLastDelivery = Now();
    }
    uint32_t count = std::min(Bytes, BufEnd - BufStart);
    if (FSize > 0) count = static_cast<uint32_t>(std::min<int64_t>(count, FSize - FPosition));
    Buffer = Buf.data() + BufStart;
    Bytes = count;
    BufStart += count;
    FPosition += count;
}

void TDXAudioIn::_Interrupt() {
    FInterruptedAt = Now();
    FInterrupted = true;
    if (const auto capture = Capture()) capture->Wake();
    FPlatform->WakeWaits(); // an input still being opened gives up
}

// Main thread, while the worker is held at its pause point or waits inside a pull.
void TDXAudioIn::_Pause() {
    FPaused = true;
    if (const auto capture = Capture()) capture->Stop();
}

void TDXAudioIn::_Resume() {
    FLastDelivery = Now(); // the stall limit counts anew
    FPaused = false;
    if (const auto capture = Capture()) capture->Start();
}
