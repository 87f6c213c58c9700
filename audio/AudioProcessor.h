#pragma once
// A filter whose every operation a callback can take over, and a sink that discards what it pulls.

#include "AuPipeline.h"

using TAudioProcessorInitEvent = std::function<void(TComponent* Sender, int64_t& TotalSize)>;
using TAudioProcessorFlushEvent = std::function<void(TComponent* Sender)>;
using TGetDataEvent = std::function<void(TComponent* Sender, void*& Buffer, uint32_t& Bytes)>;
using TGetParameterEvent32 = std::function<void(TComponent* Sender, uint32_t& Param)>;
using TGetParameterEvent64 = std::function<void(TComponent* Sender, int64_t& Param)>;

// The callbacks are set before the processor is pulled from. OnGetData, OnInit, OnFlush and
// OnGetSize run on the pulling sink's worker with the processor's lock held; the format
// callbacks run on whichever thread asks for the format.
class TAudioProcessor : public TAuConverter {
public:
    explicit TAudioProcessor(TComponent* AOwner = nullptr) : TAuConverter(AOwner) {}
    ~TAudioProcessor() override { NotifyDestruction(); }

    TAudioProcessorInitEvent OnInit;
    TAudioProcessorFlushEvent OnFlush;
    TGetDataEvent OnGetData;
    TGetParameterEvent32 OnGetSampleRate;
    TGetParameterEvent32 OnGetBitsPerSample;
    TGetParameterEvent32 OnGetChannels;
    TGetParameterEvent32 OnGetTotalTime;
    TGetParameterEvent64 OnGetSize;

protected:
    uint32_t GetBitsPerSample() override;
    uint32_t GetChannels() override;
    uint32_t GetSampleRate() override;
    uint32_t GetTotalTime() override;
    void DoInit() override;
    void DoFlush() override;
    void DoGetData(void*& Buffer, uint32_t& Bytes) override;

private:
    TAuInput& CheckedInput() const;
    uint32_t Parameter(const TGetParameterEvent32& callback, uint32_t (TAuInput::*fromInput)());
};

// Pulls 16 KiB at a time and throws it away; the recorder keeps it running to go on metering.
class TNULLOut : public TAuOutput {
public:
    static constexpr uint32_t ChunkBytes = 16384;

    explicit TNULLOut(TComponent* AOwner = nullptr) : TAuOutput(AOwner) {}
    ~TNULLOut() override { ShutdownThread(); }

protected:
    void DoPrepare() override;
    bool DoChunk(bool Abort) override;
    void DoFinish() override;
};
