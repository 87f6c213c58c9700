// The cost of reading a recording's length must not grow with the recording: 200 one-minute
// files against 5 sixty-minute ones, whose frames repeat a one-minute recording's.

#include "BenchKit.h"
#include "MP3In.h"
#include "MP3Out.h"
#include "TestSources.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sixty copies of the recording's audio, then its ID3v1 block.
void WriteHourLong(const std::vector<uint8_t>& minute, const std::string& path) {
    const size_t audio = minute.size() - 128;
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 60; ++i)
        out.write(reinterpret_cast<const char*>(minute.data()), static_cast<std::streamsize>(audio));
    out.write(reinterpret_cast<const char*>(minute.data() + audio), 128);
}

double SecondsPerFile(const std::vector<std::string>& files, uint32_t& checksum) {
    return BestSeconds(5,
                       [&] {
                           for (const std::string& name : files) {
                               TMP3In in;
                               in.SetFileName(name);
                               if (in.Valid()) checksum += in.TotalTime();
                               in.SetFileName("");
                           }
                       }) /
           static_cast<double>(files.size());
}

} // namespace

int main() {
    const std::string dir = fs::temp_directory_path() / "sarvo-bench-length";
    fs::remove_all(dir);
    fs::create_directories(dir);
    {
        TToneSource tone(44100, 1, 440, 0.5, 60 * 44100 * 2);
        TMP3Out out;
        out.SetInput(&tone);
        out.SetFileName(dir + "/minute.mp3");
        out.BlockingRun();
    }
    WriteHourLong(ReadAll(dir + "/minute.mp3"), dir + "/hour.mp3");
    std::vector<std::string> shortFiles, longFiles;
    for (int i = 0; i < 200; ++i) {
        shortFiles.push_back(dir + "/minute-" + std::to_string(i) + ".mp3");
        fs::create_hard_link(dir + "/minute.mp3", shortFiles.back());
    }
    for (int i = 0; i < 5; ++i) {
        longFiles.push_back(dir + "/hour-" + std::to_string(i) + ".mp3");
        fs::create_hard_link(dir + "/hour.mp3", longFiles.back());
    }
    uint32_t shortTotal = 0, longTotal = 0;
    const double shortCost = SecondsPerFile(shortFiles, shortTotal);
    const double longCost = SecondsPerFile(longFiles, longTotal);
    std::printf("one-minute file: %.1f us, sixty-minute file: %.1f us (lengths %u s and %u s)\n",
                shortCost * 1e6, longCost * 1e6, shortTotal / 200 / 5, longTotal / 5 / 5);
    fs::remove_all(dir);
    TableRow("reading the length of a 60-min recording (/ a 1-min one)",
             Figure("%.1f us", longCost * 1e6).c_str(), Figure("%.1f us", shortCost * 1e6).c_str(),
             longCost / shortCost, "at most 1.5");
    std::printf("length cost ratio long/short: %.2f\n", longCost / shortCost);
}
