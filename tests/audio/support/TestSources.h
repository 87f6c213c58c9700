#pragma once
// PCM sources for engine tests and benchmarks: a sine tone (finite or endless), a raw PCM file
// source over the file classes, and helpers that measure a tone.

#include "AuStreamedIO.h"

#include <cstdint>
#include <vector>

// A 16-bit sine tone. TotalBytes -1 makes it endless. Every channel carries the same tone.
class TToneSource : public TAuInput {
public:
    TToneSource(uint32_t sampleRate = 44100, uint32_t channels = 1, double frequency = 440.0,
                double amplitude = 0.5, int64_t totalBytes = -1);
    ~TToneSource() override { NotifyDestruction(); }

    // Counts what it hands out here, as the file sources do, and not in DoGetData: the unprotected
    // fill calls DoGetData and counts the total itself.
    void GetData(void*& Buffer, uint32_t& Bytes) override;

    // A DoInit that raises, to test failing starts.
    bool FailInit = false;
    // Counts of the calls the pipeline made (read after the run).
    std::atomic<int> InitCount{0}, FlushCount{0}, PauseCount{0}, ResumeCount{0};

protected:
    uint32_t GetBitsPerSample() override { return 16; }
    uint32_t GetChannels() override { return FChannels; }
    uint32_t GetSampleRate() override { return FSampleRate; }
    void DoInit() override;
    void DoFlush() override;
    void DoGetData(void*& Buffer, uint32_t& Bytes) override;
    void _Pause() override { ++PauseCount; }
    void _Resume() override { ++ResumeCount; }

private:
    uint32_t FSampleRate, FChannels;
    double FFrequency, FAmplitude;
    int64_t FTotalBytes;
    int64_t FFrame = 0;     // next sample frame to produce; worker only
    int64_t FBytesLeft = 0; // worker only
    std::vector<int16_t> FBuffer;
};

// Raw 16-bit PCM from a named file or an assigned stream, with the format given up front.
class TRawPcmIn : public TAuTaggedFileIn {
public:
    TRawPcmIn(uint32_t sampleRate, uint32_t channels) : FRate(sampleRate), FChannelCount(channels) {}
    ~TRawPcmIn() override;

    int OpenCount() const { return FOpenCount; }

protected:
    void DoOpen() override;
    void DoClose() override;
    bool DoSeek(int64_t SampleNum) override;
    void DoGetData(void*& Buffer, uint32_t& Bytes) override;

private:
    uint32_t FRate, FChannelCount;
    std::vector<uint8_t> FBuffer;
    int FOpenCount = 0;
};

// Raw interleaved 16-bit samples from bytes.
std::vector<int16_t> AsSamples(const std::vector<uint8_t>& bytes);
// One channel of interleaved samples.
std::vector<int16_t> Channel(const std::vector<int16_t>& interleaved, uint32_t channels, uint32_t channel);
// Power of one frequency in a block (Goertzel), normalised so a full-scale sine at that frequency gives
// ~0.25.
double ToneLevel(const std::vector<int16_t>& samples, double frequency, uint32_t sampleRate);
// The frequency (in steps of 1 Hz between lo and hi) with the most power.
double StrongestFrequency(const std::vector<int16_t>& samples, uint32_t sampleRate, double lo, double hi);
// The largest jump between neighbouring samples relative to what a clean sine of that frequency
// and amplitude allows; above 1.5 means a gap or a phase jump.
double WorstDiscontinuity(const std::vector<int16_t>& samples, double frequency, uint32_t sampleRate);
