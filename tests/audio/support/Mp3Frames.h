#pragma once
// Reads the frame headers of an MP3 file, to check what the encoder was told.

#include <cstdint>
#include <string>
#include <vector>

struct TMp3Frame {
    int64_t offset = 0;
    uint32_t bitrateKbps = 0;
    uint32_t sampleRate = 0;
    uint32_t mode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool crc = false, copyright = false, original = false;
    uint32_t bytes = 0;
    bool infoFrame = false; // carries a "Xing" or "Info" tag
};

// The MPEG-1/2 layer III frames between the ID3v2 tag and the ID3v1 block.
std::vector<TMp3Frame> Mp3Frames(const std::vector<uint8_t>& file);
std::vector<uint8_t> ReadWholeFile(const std::string& path);
