#pragma once
// The MP3 file sink: encodes the 16-bit PCM it pulls with the MP3 encoder library (loaded when
// first needed), appends an ID3v1 block, and writes ID3v2 text frames through the tag library
// when that one loads.

#include "AuStreamedIO.h"

#include <memory>
#include <vector>

enum TMP3Mode { mmStereo, mmJointStereo, mmDual, mmMono };
enum TMP3Quality { mp3ql0, mp3ql1, mp3ql2, mp3ql3, mp3ql4, mp3ql5, mp3ql6, mp3ql7, mp3ql8, mp3ql9 };
enum TMP3BitRate {
    mbrAuto,
    mbr32,
    mbr40,
    mbr48,
    mbr56,
    mbr64,
    mbr80,
    mbr96,
    mbr112,
    mbr128,
    mbr144,
    mbr160,
    mbr192,
    mbr224,
    mbr256,
    mbr320
};

uint32_t BitrateKbps(TMP3BitRate rate);

// The encoder settings of one run, in the form the encoder's classic configuration record has.
struct TBeConfig {
    uint32_t dwConfig = 0, dwStructVersion = 0, dwStructSize = 0;
    uint32_t dwSampleRate = 0, dwReSampleRate = 0;
    int32_t nMode = 0;
    uint32_t dwBitrate = 0, dwMaxBitrate = 0;
    int32_t nPreset = 0;
    uint32_t dwMpegVersion = 0, dwPsyModel = 0, dwEmphasis = 0;
    int32_t bPrivate = 0, bCRC = 0, bCopyright = 0, bOriginal = 0;
    int32_t bWriteVBRHeader = 0, bEnableVBR = 0, nVBRQuality = 0;
    uint32_t dwVbrAbr_bps = 0;
    int32_t nVbrMethod = 0, bNoRes = 0, bStrictIso = 0;
    uint16_t nQuality = 0;
};

// Before anything is encoded: the library names to load, for a build that ships its own.
void SetMP3LibraryNames(const std::string& encoder, const std::string& tags);

class TMP3Out : public TAuTaggedFileOut {
public:
    explicit TMP3Out(TComponent* AOwner = nullptr);
    ~TMP3Out() override;

    // Settings are for the main thread while the sink is idle.
    TMP3BitRate BitRate() const { return FBitRate; }
    void SetBitRate(TMP3BitRate v) { FBitRate = v; }
    TId3v1Tags& Id3v1Tags() { return FId3v1Tags; }
    void SetId3v1Tags(const TId3v1Tags& v) { FId3v1Tags.Assign(v); }
    TId3v2Tags& Id3v2Tags() { return FId3v2Tags; }
    void SetId3v2Tags(const TId3v2Tags& v) { FId3v2Tags.Assign(v); }
    TMP3Mode Mode() const { return FMode; }
    void SetMode(TMP3Mode v) { FMode = v; }
    bool CRC() const { return FCRC; }
    void SetCRC(bool v) { FCRC = v; }
    // Stored only: the encoder is always told "not copyrighted".
    bool Copyright() const { return FCopyright; }
    void SetCopyright(bool v) { FCopyright = v; }
    bool Original() const { return FOriginal; }
    void SetOriginal(bool v) { FOriginal = v; }
    bool EnableBitReservoir() const { return FEnableBitReservoir; }
    void SetEnableBitReservoir(bool v) { FEnableBitReservoir = v; }
    bool StrictISO() const { return FStrictISO; }
    void SetStrictISO(bool v) { FStrictISO = v; }
    TMP3Quality VBRQuality() const { return FVBRQuality; }
    void SetVBRQuality(TMP3Quality v) { FVBRQuality = v; }
    bool EnableVBR() const { return FEnableVBR; }
    void SetEnableVBR(bool v) { FEnableVBR = v; }
    TMP3BitRate AverageBitrate() const { return FAverageBitrate; }
    void SetAverageBitrate(TMP3BitRate v) { FAverageBitrate = v; }
    TMP3BitRate MaximumBitrate() const { return FMaximumBitrate; }
    void SetMaximumBitrate(TMP3BitRate v) { FMaximumBitrate = v; }

    // The settings the last run gave the encoder; read while the sink is idle.
    const TBeConfig& Config() const { return FConfig; }
    // The 128-byte block appended after the audio.
    static std::array<uint8_t, 128> Id3v1Block(const TId3v1Tags& tags);

protected:
    void DoPrepare() override;
    bool DoChunk(bool Abort) override;
    void DoFinish() override;

private:
    struct TEncoder;
    void FillConfig(uint32_t sampleRate, uint32_t channels);
    void WriteOut(const uint8_t* data, uint32_t bytes, bool lostIfShort);
    void FinishEncoder();
    void WriteId3v2Tags();

    std::vector<uint8_t> Buffer; // worker only
    uint32_t BufferSize = 0;
    TMP3BitRate FBitRate = mbr128;
    TBeConfig FConfig;
    std::unique_ptr<TEncoder> _Stream; // the encoder of the run; worker only
    std::vector<uint8_t> mp3buf;
    TMP3Quality FVBRQuality = mp3ql0;
    bool FCopyright = false;
    bool FOriginal = true;
    bool FEnableVBR = false;
    bool FCRC = false;
    TMP3Mode FMode = mmStereo;
    TMP3BitRate FAverageBitrate = mbrAuto, FMaximumBitrate = mbrAuto;
    bool FEnableBitReservoir = false, FStrictISO = false;
    std::unique_ptr<TStream> FOwnStream; // the file of the run, when no stream was assigned
    uint32_t FChannels = 0;              // worker only
};
