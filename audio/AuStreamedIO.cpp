#include "AuStreamedIO.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TAuStreamedInput

void TAuStreamedInput::SetStream(TStream* Value) {
    FreeOwnedStream();
    FStream = Value;
    FStreamAssigned = Value != nullptr;
}

void TAuStreamedInput::OwnStream(std::unique_ptr<TStream> stream) {
    FOwnedStream = std::move(stream);
    FStream = FOwnedStream.get();
    FStreamAssigned = false;
}

void TAuStreamedInput::FreeOwnedStream() {
    if (!FOwnedStream) return;
    if (FStream == FOwnedStream.get()) FStream = nullptr;
    FOwnedStream.reset();
}

void TAuStreamedInput::CountDelivered(uint32_t& Bytes, bool cutAtSize) {
    if (Bytes == 0) {
        _EndOfStream = true;
        return;
    }
    FPosition += Bytes;
    const int64_t size = FSize;
    if (size > 0 && FPosition >= size) {
        _EndOfStream = true;
        if (cutAtSize && FPosition > size) {
            const int64_t excess = FPosition - size;
            Bytes = excess >= Bytes ? 0 : Bytes - static_cast<uint32_t>(excess);
            FPosition = size;
        }
    }
}

void TAuStreamedInput::GetData(void*& Buffer, uint32_t& Bytes) {
    std::lock_guard lock(DataCS);
    if (_EndOfStream) {
        Buffer = nullptr;
        Bytes = 0;
        return;
    }
    const uint32_t requested = Bytes;
    DoGetData(Buffer, Bytes);
    CountDelivered(Bytes, true);
    if (!_EndOfStream || !FLoop) return;
    _EndOfStream = false;
    if (FSeekable) {
        DoSeek(FStartSample);
    } else {
        Flush();
        Init();
    }
    FPosition = 0;
    Bytes = requested;
    DoGetData(Buffer, Bytes);
    CountDelivered(Bytes, false);
}

bool TAuStreamedInput::Seek(int64_t SampleNum) {
    if (!FSeekable) return false;
    if (FTotalSamples != 0 && SampleNum > FTotalSamples) return false;
    std::lock_guard lock(DataCS);
    if (!Busy) {
        FStartSample = SampleNum;
        FPosition = SampleNum * FSampleSize;
        FEndSample = -1;
        return true;
    }
    SampleNum += FStartSample;
    try {
        if (!DoSeek(SampleNum)) return false;
    } catch (const std::exception&) {
        return false;
    }
    FPosition = (SampleNum - FStartSample) * FSampleSize;
    return true;
}

// ---------------------------------------------------------------------------------------------
// TAuFileIn

std::string TAuFileIn::FileName() const {
    auto& lock = const_cast<std::recursive_mutex&>(OpenCS);
    std::lock_guard guard(lock);
    return FFileName;
}

std::string TAuFileIn::WideFileName() const {
    auto& lock = const_cast<std::recursive_mutex&>(OpenCS);
    std::lock_guard guard(lock);
    return FWideFileName;
}

void TAuFileIn::CloseForNewName() {
    // A run in progress finishes its current read before the file goes.
    std::lock_guard data(DataCS);
    std::lock_guard open(OpenCS);
    if (FOpened) DoClose();
    FValid = false;
}

void TAuFileIn::SetFileName(const std::string& value) {
    CloseForNewName();
    std::lock_guard open(OpenCS);
    FFileName = FWideFileName = value;
}

void TAuFileIn::SetWideFileName(const std::string& value) {
    CloseForNewName();
    std::lock_guard open(OpenCS);
    FWideFileName = value;
    FFileName.clear();
}

void TAuFileIn::SetStream(TStream* Value) {
    CloseForNewName();
    std::lock_guard open(OpenCS);
    TAuStreamedInput::SetStream(Value);
}

bool TAuFileIn::Valid() {
    std::lock_guard open(OpenCS);
    if (NamesEmpty()) return FValid;
    try {
        DoOpen();
    } catch (const std::exception&) {
        FValid = false;
    }
    if (FValid) return true;
    if (FOpened) {
        try {
            DoClose();
        } catch (const std::exception&) {
        }
    } else {
        FreeOwnedStream();
    }
    return false;
}

uint32_t TAuFileIn::HeaderField(const uint32_t& field) {
    std::lock_guard open(OpenCS);
    DoOpen();
    return field;
}

uint32_t TAuFileIn::GetBitsPerSample() { return HeaderField(FBPS); }
uint32_t TAuFileIn::GetChannels() { return HeaderField(FChan); }
uint32_t TAuFileIn::GetSampleRate() { return HeaderField(FSR); }

int64_t TAuFileIn::GetTotalSamples() {
    std::lock_guard open(OpenCS);
    DoOpen();
    const int64_t frameBytes = int64_t{FChan} * (FBPS / 8);
    FTotalSamples = FSize > 0 && frameBytes > 0 ? FSize / frameBytes : -1;
    return FTotalSamples;
}

uint32_t TAuFileIn::GetTotalTime() {
    std::lock_guard open(OpenCS);
    DoOpen();
    const double bytesPerSecond = static_cast<double>(FSR) * FChan * (FBPS / 8);
    if (bytesPerSecond <= 0) return 0;
    return static_cast<uint32_t>(RoundHalfEven(static_cast<double>(FSize) / bytesPerSecond));
}

void TAuFileIn::DoInit() {
    if (Busy) throw EAuException("The component is Busy");
    std::lock_guard open(OpenCS);
    if (NamesEmpty()) throw EAuException("The file name is not assigned");
    Busy = true;
    FPosition = 0;
    DoOpen();
    if (!FValid) {
        FSize = 0;
        FTotalSamples = 0;
        FBPS = 8;
        FSR = 8000;
        FChan = 1;
        return;
    }
    FSampleSize = static_cast<uint16_t>(FChan * (FBPS / 8));
    FTotalSamples = FSampleSize > 0 ? FSize / FSampleSize : 0;
    if (FStartSample > 0) {
        Seek(0);
        FPosition = 0;
    }
    if (FStartSample != 0 || FEndSample != -1) {
        if (FEndSample > FTotalSamples) FEndSample = -1;
        const int64_t last = FEndSample == -1 ? FTotalSamples.load() : FEndSample.load();
        FTotalSamples = last - FStartSample + 1;
        FSize = FTotalSamples * FSampleSize;
    }
    BufStart = 1;
    BufEnd = 0;
}

void TAuFileIn::DoFlush() {
    {
        std::lock_guard open(OpenCS);
        DoClose();
    }
    FStartSample = 0;
    FEndSample = -1;
    Busy = false;
}

void TAuFileIn::Reset() {
    TAuStreamedInput::Reset();
    std::lock_guard open(OpenCS);
    FOpened = 0;
}

void TAuFileIn::_Jump(int32_t Offs) {
    const int64_t size = FSize;
    if (!FSeekable || size == 0) return;
    const double fraction =
        std::clamp(static_cast<double>(FPosition) / static_cast<double>(size) + Offs / 1000.0, 0.0, 1.0);
    Seek(RoundHalfEven(static_cast<double>(FTotalSamples) * fraction));
}

bool TAuFileIn::SetWindowTime(uint32_t Minutes, uint32_t Seconds, std::atomic<int64_t>& field) {
    if (!FSeekable) return false;
    const int64_t total = GetTotalSamples();
    const int64_t sample = (int64_t{Seconds} + int64_t{Minutes} * 60) * GetSampleRate();
    if (sample > total) return false;
    field = sample;
    return true;
}

bool TAuFileIn::SetStartTime(uint32_t Minutes, uint32_t Seconds) {
    return SetWindowTime(Minutes, Seconds, FStartSample);
}

bool TAuFileIn::SetEndTime(uint32_t Minutes, uint32_t Seconds) {
    return SetWindowTime(Minutes, Seconds, FEndSample);
}
