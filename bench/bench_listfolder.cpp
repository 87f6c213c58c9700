// Refilling the recordings list from a folder of 1,000 ten-second recordings, against a plain
// listing with a stat of each file; and the same cost per file for five sixty-minute recordings.

#include "ListKit.h"

#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Sixty copies of a minute's audio, then its ID3v1 block.
void WriteHourLong(const std::string& minutePath, const std::string& path) {
    std::ifstream in(minutePath, std::ios::binary);
    const std::vector<char> minute{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 60; ++i) out.write(minute.data(), static_cast<std::streamsize>(minute.size() - 128));
    out.write(minute.data() + minute.size() - 128, 128);
}

void Copies(const std::string& original, const std::string& folder, const std::string& stem, int count) {
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i)
        fs::copy_file(original, folder + "/" + stem + " " + std::to_string(i) + ".mp3");
}

double ListingWithStat(const std::string& folder) {
    return BestSeconds(5, [&] {
        DIR* dir = opendir(folder.c_str());
        struct stat info {};
        while (const dirent* entry = readdir(dir)) stat((folder + "/" + entry->d_name).c_str(), &info);
        closedir(dir);
    });
}

} // namespace

int main(int argc, char* argv[]) {
    TListBench bench(argc, argv);
    TForm1& form = bench.form;
    const std::string& dir = bench.dir;
    Encode(dir + "/ten.mp3", 10);
    Encode(dir + "/minute.mp3", 60);
    WriteHourLong(dir + "/minute.mp3", dir + "/hour.mp3");
    Copies(dir + "/ten.mp3", dir + "/thousand", "Recording", 1000);
    Copies(dir + "/hour.mp3", dir + "/five", "Long recording", 5);

    const double anchor = ListingWithStat(dir + "/thousand");
    const double thousand = Refill(form, dir + "/thousand", 1000);
    const double five = Refill(form, dir + "/five", 5);
    std::printf("per file: ten-second recording %.1f us, sixty-minute recording %.1f us (ratio %.2f)\n",
                thousand / 1000 * 1e6, five / 5 * 1e6, (five / 5) / (thousand / 1000));
    TableRow("refilling the list with 1,000 recordings (/ listing and stat)",
             Figure("%.1f ms", thousand * 1e3).c_str(), Figure("%.1f ms", anchor * 1e3).c_str(),
             thousand / anchor, "under 300 ms");
    TableRow("list refill per file, 60-min recordings (/ 10-s ones)",
             Figure("%.1f us", five / 5 * 1e6).c_str(), Figure("%.1f us", thousand / 1000 * 1e6).c_str(),
             (five / 5) / (thousand / 1000), "at most 1.5");
    std::printf("listfolder ms per 1000: %.1f (anchor %.1f)\n", thousand * 1e3, anchor * 1e3);
}
