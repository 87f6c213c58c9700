// Writes a short recording (a tone, with tags) as the MP3 source's fuzz seed.
#include "MP3Out.h"

#include <cmath>
#include <vector>

namespace {

// Half a second of a 440 Hz tone.
class TTone : public TAuInput {
protected:
    uint32_t GetBitsPerSample() override { return 16; }
    uint32_t GetChannels() override { return 1; }
    uint32_t GetSampleRate() override { return 44100; }
    void DoInit() override { FLeft = 22050; }
    void DoFlush() override {}
    void DoGetData(void*& Buffer, uint32_t& Bytes) override {
        const uint32_t frames = std::min<uint32_t>(Bytes / 2, FLeft);
        FSamples.resize(frames);
        for (uint32_t i = 0; i < frames; ++i)
            FSamples[i] =
                static_cast<int16_t>(16000 * std::sin(2 * M_PI * 440 * (22050 - FLeft + i) / 44100));
        FLeft -= frames;
        Buffer = FSamples.data();
        Bytes = frames * 2;
    }

private:
    uint32_t FLeft = 0;
    std::vector<int16_t> FSamples;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    TTone tone;
    TMP3Out out;
    out.SetInput(&tone);
    out.SetBitRate(mbr64);
    out.Id3v1Tags().SetTitle("Seed");
    out.SetFileName(argv[1]);
    out.BlockingRun();
    return 0;
}
