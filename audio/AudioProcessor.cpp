#include "AudioProcessor.h"

TAuInput& TAudioProcessor::CheckedInput() const {
    TAuInput* input = FInput;
    if (!input) throw EAuException("Input is not assigned.");
    return *input;
}

uint32_t TAudioProcessor::Parameter(const TGetParameterEvent32& callback, uint32_t (TAuInput::*fromInput)()) {
    TAuInput& input = CheckedInput();
    if (!callback) return (input.*fromInput)();
    uint32_t value = 0;
    callback(this, value);
    return value;
}

uint32_t TAudioProcessor::GetBitsPerSample() {
    return Parameter(OnGetBitsPerSample, &TAuInput::BitsPerSample);
}
uint32_t TAudioProcessor::GetChannels() { return Parameter(OnGetChannels, &TAuInput::Channels); }
uint32_t TAudioProcessor::GetSampleRate() { return Parameter(OnGetSampleRate, &TAuInput::SampleRate); }
uint32_t TAudioProcessor::GetTotalTime() { return Parameter(OnGetTotalTime, &TAuInput::TotalTime); }

void TAudioProcessor::DoInit() {
    TAuInput& input = CheckedInput();
    if (OnInit) {
        int64_t total = FSize;
        OnInit(this, total);
        FSize = total;
    } else {
        input.Init();
        int64_t size = input.Size();
        if (OnGetSize) OnGetSize(this, size);
        FSize = size;
    }
    Busy = true;
    FPosition = 0;
}

void TAudioProcessor::DoFlush() {
    TAuInput& input = CheckedInput();
    if (OnFlush)
        OnFlush(this);
    else
        input.Flush();
    Busy = false;
}

void TAudioProcessor::DoGetData(void*& Buffer, uint32_t& Bytes) {
    TAuInput& input = CheckedInput();
    if (OnGetData)
        OnGetData(this, Buffer, Bytes);
    else
        input.GetData(Buffer, Bytes);
}

void TNULLOut::DoPrepare() {
    TAuInput* input = Input();
    if (!input) throw EAuException("Input is not assigned.");
    input->Init();
}

bool TNULLOut::DoChunk(bool Abort) {
    if (!IsBusy()) return true;
    if (Abort || !CanOutput) return false;
    void* data = nullptr;
    uint32_t bytes = ChunkBytes;
    Input()->GetData(data, bytes);
    return bytes > 0;
}

void TNULLOut::DoFinish() {
    if (TAuInput* input = Input()) input->Flush();
}
