// Encoding speed: ten minutes of stereo PCM at 192 kbit/s CBR through the MP3 sink, against the
// lame command-line tool on the same bytes with the same settings, in the same run.

#include "BenchKit.h"
#include "MP3Out.h"
#include "TestSources.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

int main() {
    constexpr uint32_t rate = 44100, channels = 2, seconds = 600;
    std::vector<uint8_t> pcm(size_t{rate} * channels * 2 * seconds);
    for (size_t i = 0; i < pcm.size() / 4; ++i) {
        // A chord, so that the encoder has something to work on.
        const double t = static_cast<double>(i) / rate;
        const auto l =
            static_cast<int16_t>(9000 * std::sin(2 * M_PI * 440 * t) + 4000 * std::sin(2 * M_PI * 660 * t));
        const auto r =
            static_cast<int16_t>(9000 * std::sin(2 * M_PI * 550 * t) + 4000 * std::sin(2 * M_PI * 880 * t));
        pcm[4 * i] = static_cast<uint8_t>(l);
        pcm[4 * i + 1] = static_cast<uint8_t>(l >> 8);
        pcm[4 * i + 2] = static_cast<uint8_t>(r);
        pcm[4 * i + 3] = static_cast<uint8_t>(r >> 8);
    }
    const std::string dir = std::filesystem::temp_directory_path() / "sarvo-bench-encode";
    std::filesystem::create_directories(dir);
    const std::string raw = dir + "/in.raw";
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size()));

    const double ours = BestSeconds(2, [&] {
        TMemoryStream memory(pcm);
        TRawPcmIn in(rate, channels);
        in.SetStream(&memory);
        TMP3Out out;
        out.SetBitRate(mbr192);
        out.SetInput(&in);
        out.SetFileName(dir + "/ours.mp3");
        out.BlockingRun();
    });
    // The sink's settings: CBR, stereo, no bit reservoir, no information frame.
    const std::string lame =
        "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -b 192 --cbr -m s --nores -t " + raw +
        " " + dir + "/lame.mp3";
    const double theirs = BestSeconds(2, [&] {
        if (std::system(lame.c_str()) != 0) std::fprintf(stderr, "lame failed\n");
    });
    std::printf("10 min stereo at 192 kbit/s: sink %.2f s, lame tool %.2f s (%.0fx real time)\n", ours,
                theirs, seconds / ours);
    std::filesystem::remove_all(dir);
    TableRow("encoding 10 min of stereo at 192 kbit/s (lame's time / ours)", Figure("%.2f s", ours).c_str(),
             Figure("lame %.2f s", theirs).c_str(), theirs / ours, "at least 1");
    std::printf("encode ratio vs lame: %.2f\n", theirs / ours);
}
