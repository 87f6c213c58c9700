#pragma once
// Sources and sinks over byte streams and named files, with their tag stores.

#include "AuPipeline.h"
#include "AuStreams.h"
#include "AuTags.h"

#include <memory>

// A source reading a byte stream, with a start/end sample window and looping.
class TAuStreamedInput : public TAuInput {
public:
    explicit TAuStreamedInput(TComponent* AOwner = nullptr) : TAuInput(AOwner) { FSeekable = true; }

    TStream* Stream() const { return FStream; }
    // A stream given from outside is not owned.
    virtual void SetStream(TStream* Value);
    bool Loop() const { return FLoop; }
    void SetLoop(bool value) { FLoop = value; }
    void GetData(void*& Buffer, uint32_t& Bytes) override;
    // Moves to a sample of the run (busy) or sets where the next run starts (idle).
    bool Seek(int64_t SampleNum);

protected:
    virtual bool DoSeek(int64_t SampleNum) = 0;
    // Adopts a stream the source opened itself.
    void OwnStream(std::unique_ptr<TStream> stream);
    void FreeOwnedStream();

    TStream* FStream = nullptr;
    bool FStreamAssigned = false;
    std::atomic<int64_t> FStartSample{0};
    std::atomic<int64_t> FEndSample{-1};
    std::atomic<bool> FLoop{false};
    std::atomic<int64_t> FTotalSamples{0};

private:
    void CountDelivered(uint32_t& Bytes, bool cutAtSize);

    std::unique_ptr<TStream> FOwnedStream;
};

// A source reading a named file or an assigned stream, which it opens and reads the header of.
// OpenCS guards the open state and the header fields (FValid, FBPS, FSR, FChan, FOpened).
class TAuFileIn : public TAuStreamedInput {
public:
    explicit TAuFileIn(TComponent* AOwner = nullptr) : TAuStreamedInput(AOwner) {}

    std::string FileName() const;
    // Closes the file first; sets both names.
    void SetFileName(const std::string& value);
    std::string WideFileName() const;
    // Closes the file first; clears FileName.
    void SetWideFileName(const std::string& value);
    void SetStream(TStream* Value) override;
    // Opens the file to see whether it holds audio; a file that does not is closed again.
    bool Valid();
    bool SetStartTime(uint32_t Minutes, uint32_t Seconds);
    bool SetEndTime(uint32_t Minutes, uint32_t Seconds);
    void Reset() override;
    void _Jump(int32_t Offs) override;

protected:
    uint32_t GetBitsPerSample() override;
    uint32_t GetChannels() override;
    uint32_t GetSampleRate() override;
    uint32_t GetTotalTime() override;
    int64_t GetTotalSamples() override;
    void DoInit() override;
    void DoFlush() override;
    // Open the file or stream and read its header: set FValid, FBPS, FSR, FChan, FSize, FSeekable
    // and FOpened. Nothing happens when it is already open. Both are called with OpenCS held.
    virtual void DoOpen() = 0;
    virtual void DoClose() = 0;

    std::recursive_mutex OpenCS;
    std::string FFileName;
    std::string FWideFileName;
    int32_t FOpened = 0;
    bool FValid = false;
    uint32_t FBPS = 0, FSR = 0, FChan = 0;

private:
    bool NamesEmpty() const { return FStream == nullptr && FWideFileName.empty(); }
    // A header field, read with the file open.
    uint32_t HeaderField(const uint32_t& field);
    void CloseForNewName();
    bool SetWindowTime(uint32_t Minutes, uint32_t Seconds, std::atomic<int64_t>& field);
};

class TAuTaggedFileIn : public TAuFileIn {
public:
    explicit TAuTaggedFileIn(TComponent* AOwner = nullptr) : TAuFileIn(AOwner) {}

    TCommonTags& CommonTags() { return FCommonTags; }

protected:
    TId3v1Tags FId3v1Tags;
    TId3v2Tags FId3v2Tags;
    TCommonTags FCommonTags;
};

// A sink writing a byte stream.
class TAuStreamedOutput : public TAuOutput {
public:
    explicit TAuStreamedOutput(TComponent* AOwner = nullptr) : TAuOutput(AOwner) {}

    TStream* Stream() const { return FStream; }
    void SetStream(TStream* Value) {
        FStream = Value;
        FStreamAssigned = Value != nullptr;
    }

protected:
    TStream* FStream = nullptr;
    bool FStreamAssigned = false;
};

enum TFileOutputMode { foRewrite, foAppend };

// A sink writing a named file. Names are set on the main thread while the sink is idle.
class TAuFileOut : public TAuStreamedOutput {
public:
    explicit TAuFileOut(TComponent* AOwner = nullptr) : TAuStreamedOutput(AOwner) {}

    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& value) { FFileName = FWideFileName = value; }
    const std::string& WideFileName() const { return FWideFileName; }
    void SetWideFileName(const std::string& value) {
        FWideFileName = value;
        FFileName.clear();
    }
    uint16_t ShareMode() const { return FShareMode; }
    void SetShareMode(uint16_t value) { FShareMode = value; }
    TFileOutputMode FileMode() const { return FFileMode; }
    // The sinks only ever rewrite their file.
    virtual void SetFileMode(TFileOutputMode) { FFileMode = foRewrite; }

protected:
    std::string FFileName;
    std::string FWideFileName;
    TFileOutputMode FFileMode = foRewrite;
    uint16_t FShareMode = 0;
};

class TAuTaggedFileOut : public TAuFileOut {
public:
    explicit TAuTaggedFileOut(TComponent* AOwner = nullptr) : TAuFileOut(AOwner) {}

protected:
    TId3v1Tags FId3v1Tags;
    TId3v2Tags FId3v2Tags;
};
