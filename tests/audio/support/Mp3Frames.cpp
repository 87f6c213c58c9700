#include "Mp3Frames.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr uint32_t Mpeg1Rates[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr uint32_t Mpeg2Rates[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr uint32_t SampleRates[] = {44100, 48000, 32000, 0};

size_t Id3v2Bytes(const std::vector<uint8_t>& f) {
    if (f.size() < 10 || std::memcmp(f.data(), "ID3", 3) != 0) return 0;
    return 10 + (size_t{f[6]} << 21 | size_t{f[7]} << 14 | size_t{f[8]} << 7 | f[9]);
}

} // namespace

std::vector<TMp3Frame> Mp3Frames(const std::vector<uint8_t>& f) {
    std::vector<TMp3Frame> frames;
    size_t end = f.size();
    if (end >= 128 && std::memcmp(&f[end - 128], "TAG", 3) == 0) end -= 128;
    for (size_t at = Id3v2Bytes(f); at + 4 <= end;) {
        const uint8_t* h = &f[at];
        const bool sync = h[0] == 0xFF && (h[1] & 0xE0) == 0xE0 && ((h[1] >> 1) & 3) == 1; // layer III
        const uint32_t version = (h[1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
        const uint32_t rateIndex = h[2] >> 4, srIndex = (h[2] >> 2) & 3;
        if (!sync || version == 1 || rateIndex == 0 || rateIndex == 15 || srIndex == 3) break;
        TMp3Frame frame;
        frame.offset = static_cast<int64_t>(at);
        frame.bitrateKbps = version == 3 ? Mpeg1Rates[rateIndex] : Mpeg2Rates[rateIndex];
        frame.sampleRate = SampleRates[srIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
        frame.crc = (h[1] & 1) == 0;
        frame.mode = h[3] >> 6;
        frame.copyright = (h[3] >> 3) & 1;
        frame.original = (h[3] >> 2) & 1;
        const uint32_t padding = (h[2] >> 1) & 1;
        frame.bytes = (version == 3 ? 144000 : 72000) * frame.bitrateKbps / frame.sampleRate + padding;
        const size_t sideInfo = version == 3 ? (frame.mode == 3 ? 17 : 32) : (frame.mode == 3 ? 9 : 17);
        const size_t tag = at + 4 + (frame.crc ? 2 : 0) + sideInfo;
        frame.infoFrame = frames.empty() && tag + 4 <= end &&
                          (std::memcmp(&f[tag], "Xing", 4) == 0 || std::memcmp(&f[tag], "Info", 4) == 0);
        frames.push_back(frame);
        at += frame.bytes;
    }
    return frames;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
