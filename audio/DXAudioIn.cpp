#include "DXAudioIn.h"

#include "AuText.h"
#include "pulse/PulseCapture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

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

} // namespace

TDXAudioIn::TDXAudioIn(TComponent* AOwner) : TAuInput(AOwner), FEvents(&TEventHandler::Acquire()) {
    FSize = -1;
    for (const TCaptureDevice& device : ListCaptureDevices()) {
        if (DeviceCount() == MaxDevices) break;
        FDevices.push_back({device.name, FirstCharacters(device.description, MaxDescriptionLength)});
    }
}

TDXAudioIn::~TDXAudioIn() {
    MarkDestroying();
    NotifyDestruction();
    FEvents->Forget(this);
    TEventHandler::Release();
}

std::string TDXAudioIn::GetDeviceName(int32_t Number) const {
    return Number >= 0 && Number < DeviceCount() ? FDevices[static_cast<size_t>(Number)].description : std::string();
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
    const uint32_t fragment = static_cast<uint32_t>(uint64_t{FPollingInterval} * FFreq / 1000 * (FBPS / 8) * FChan);
    FCapture = TCaptureStream::Open(FDevices[static_cast<size_t>(FDeviceNumber.load())].name, FFreq, FChan,
                                    static_cast<uint32_t>(_BufSize), std::max<uint32_t>(fragment, 64), error);
    if (!FCapture) throw EAuException(std::string("Failed to create DirectSound device: ") + CodeName(error));
    Buf.assign(static_cast<size_t>(_BufSize), 0);
    ++FOpened;
}

void TDXAudioIn::CloseDevice() {
    if (FOpened == 1) {
        FCapture.reset();
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
    Busy = true;
    FSampleSize = static_cast<uint16_t>(FChan * (FBPS / 8));
    FSize = FSamplesToRead > 0 ? FSamplesToRead * FSampleSize : -1;
    OpenDevice();
    if (!FCapture->Start()) throw EAuException("Failed to create DirectSound buffer");
}

void TDXAudioIn::DoFlush() {
    if (FCapture) FCapture->Stop();
    CloseDevice();
    Busy = false;
}

uint32_t TDXAudioIn::WaitForData() {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(FPollingInterval.load()));
        uint32_t waiting = 0;
        bool lapped = false;
        if (!FCapture || !FCapture->Waiting(waiting, lapped)) {
            char message[64];
            std::snprintf(message, sizeof message, "Input failed: DirectSound error 0x%x", InputFailedCode);
            throw EAuException(message);
        }
        if (lapped) {
            ++FOverruns;
            if (FOnOverrun) FEvents->PostGenericEvent(this, 0, FOnOverrun);
        }
        if (waiting > 0) return std::min(waiting, static_cast<uint32_t>(_BufSize));
    }
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
        const uint32_t waiting = WaitForData();
        FCapture->Read(Buf.data(), waiting);
        BufEnd = waiting;
    }
    uint32_t count = std::min(Bytes, BufEnd - BufStart);
    if (FSize > 0) count = static_cast<uint32_t>(std::min<int64_t>(count, FSize - FPosition));
    Buffer = Buf.data() + BufStart;
    Bytes = count;
    BufStart += count;
    FPosition += count;
}

void TDXAudioIn::_Pause() {
    std::lock_guard lock(DataCS);
    if (FCapture) FCapture->Stop();
}

void TDXAudioIn::_Resume() {
    std::lock_guard lock(DataCS);
    if (FCapture) FCapture->Start();
}
