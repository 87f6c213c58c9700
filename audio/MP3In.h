#pragma once
// The MP3 file source: validity, format and length from the file's headers, and PCM when run.

#include "AuStreamedIO.h"

#include <memory>
#include <vector>

enum TChannelsNumber { cnMaxAvailable, cnMonoOrStereo, cn5dot1, cn7dot1 };

class TMP3In : public TAuTaggedFileIn {
public:
    explicit TMP3In(TComponent* AOwner = nullptr);
    ~TMP3In() override;

    bool HighPrecision() const { return FHighPrecision; }
    void SetHighPrecision(bool v) { FHighPrecision = v; }
    TChannelsNumber OutputChannels() const { return FOutputChannels; }
    void SetOutputChannels(TChannelsNumber v) { FOutputChannels = v; }
    // The stream's duration in hundredths of a second, without the added third of a second.
    uint32_t Duration();
    bool HasAudio() { return Valid(); }
    bool IsProtected() const { return false; }
    // Kilobits per second of the first frame, and whether the bit rate varies.
    int32_t Bitrate();
    bool IsVBR();
    TId3v2Tags& Id3v2Tags() { return FId3v2Tags; }

protected:
    void DoOpen() override;
    void DoClose() override;
    bool DoSeek(int64_t SampleNum) override;
    void DoGetData(void*& Buffer, uint32_t& Bytes) override;

private:
    struct TDecoder;
    void ReadTags();

    std::unique_ptr<TDecoder> FDecoder; // under OpenCS; the puller uses it under DataCS while busy
    std::vector<uint8_t> FBuffer;       // the puller's
    uint32_t FDuration = 0;             // hundredths of a second
    bool FHighPrecision = false;
    TChannelsNumber FOutputChannels = cnMonoOrStereo;
    int32_t FBitrate = 0;
    bool FVBR = false;
};
