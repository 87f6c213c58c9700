#include "TestSources.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

TToneSource::TToneSource(uint32_t sampleRate, uint32_t channels, double frequency, double amplitude,
                         int64_t totalBytes)
    : FSampleRate(sampleRate), FChannels(channels), FFrequency(frequency), FAmplitude(amplitude),
      FTotalBytes(totalBytes) {}

void TToneSource::DoInit() {
    ++InitCount;
    if (FailInit) throw EAuException("The tone could not start");
    FFrame = 0;
    FBytesLeft = FTotalBytes;
    FSize = FTotalBytes;
    FPosition = 0;
    Busy = true;
}

void TToneSource::DoFlush() {
    ++FlushCount;
    Busy = false;
}

void TToneSource::DoGetData(void*& Buffer, uint32_t& Bytes) {
    const uint32_t frameBytes = 2 * FChannels;
    uint64_t wanted = std::min<uint64_t>(Bytes, 1 << 16);
    if (FTotalBytes >= 0) wanted = std::min<uint64_t>(wanted, static_cast<uint64_t>(FBytesLeft));
    const uint64_t frames = wanted / frameBytes;
    FBuffer.resize(frames * FChannels);
    for (uint64_t f = 0; f < frames; ++f, ++FFrame) {
        const double phase = 2.0 * std::numbers::pi * FFrequency * static_cast<double>(FFrame) / FSampleRate;
        const auto value = static_cast<int16_t>(std::lround(FAmplitude * 32767.0 * std::sin(phase)));
        for (uint32_t c = 0; c < FChannels; ++c) FBuffer[f * FChannels + c] = value;
    }
    Bytes = static_cast<uint32_t>(frames * frameBytes);
    if (FTotalBytes >= 0) FBytesLeft -= Bytes;
    Buffer = Bytes ? FBuffer.data() : nullptr;
}

void TToneSource::GetData(void*& Buffer, uint32_t& Bytes) {
    std::lock_guard lock(DataCS);
    TAuInput::GetData(Buffer, Bytes);
    FPosition += Bytes;
}

TRawPcmIn::~TRawPcmIn() {
    NotifyDestruction();
    std::lock_guard open(OpenCS);
    if (FOpened) DoClose();
}

void TRawPcmIn::DoOpen() {
    std::lock_guard open(OpenCS);
    if (FOpened) return;
    if (!FStreamAssigned) OwnStream(std::make_unique<TAuFileStream>(FWideFileName, fmOpenRead));
    FBPS = 16;
    FSR = FRate;
    FChan = FChannelCount;
    FSize = FStream->Size();
    FValid = FSize > 0;
    FSeekable = true;
    FOpened = 1;
    ++FOpenCount;
}

void TRawPcmIn::DoClose() {
    std::lock_guard open(OpenCS);
    if (!FOpened) return;
    FreeOwnedStream();
    if (FStream) FStream->SetPosition(0);
    FOpened = 0;
}

bool TRawPcmIn::DoSeek(int64_t SampleNum) {
    if (!FStream) return false;
    FStream->SetPosition(SampleNum * 2 * FChannelCount);
    return true;
}

void TRawPcmIn::DoGetData(void*& Buffer, uint32_t& Bytes) {
    if (!FOpened || !FStream) {
        Bytes = 0;
        Buffer = nullptr;
        return;
    }
    FBuffer.resize(std::min<uint32_t>(Bytes, 1 << 16));
    Bytes = static_cast<uint32_t>(FStream->Read(FBuffer.data(), static_cast<int64_t>(FBuffer.size())));
    Buffer = Bytes ? FBuffer.data() : nullptr;
}

std::vector<int16_t> AsSamples(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

std::vector<int16_t> Channel(const std::vector<int16_t>& interleaved, uint32_t channels, uint32_t channel) {
    std::vector<int16_t> out;
    out.reserve(interleaved.size() / channels);
    for (size_t i = channel; i < interleaved.size(); i += channels) out.push_back(interleaved[i]);
    return out;
}

double ToneLevel(const std::vector<int16_t>& samples, double frequency, uint32_t sampleRate) {
    if (samples.empty()) return 0;
    const double w = 2.0 * std::numbers::pi * frequency / sampleRate;
    const double coeff = 2.0 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (const int16_t sample : samples) {
        const double s0 = sample / 32768.0 + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    const double n = static_cast<double>(samples.size());
    return power / (n * n);
}

double StrongestFrequency(const std::vector<int16_t>& samples, uint32_t sampleRate, double lo, double hi) {
    double best = lo, bestLevel = -1;
    for (double f = lo; f <= hi; f += 1.0) {
        const double level = ToneLevel(samples, f, sampleRate);
        if (level > bestLevel) {
            bestLevel = level;
            best = f;
        }
    }
    return best;
}

double WorstDiscontinuity(const std::vector<int16_t>& samples, double frequency, uint32_t sampleRate) {
    if (samples.size() < 2) return 0;
    int peak = 1;
    for (const int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    const double allowed = peak * 2.0 * std::sin(std::numbers::pi * frequency / sampleRate) + 2.0;
    double worst = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        worst = std::max(worst, std::abs(samples[i] - samples[i - 1]) / allowed);
    return worst;
}
