// Refilling the recordings list from a folder of 10,000 ten-second recordings, against the refill
// of 1,000 in the same run: the cost per file stays flat as the folder grows.

#include "ListKit.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// That many names of one recording: the folder's size without its bytes on disk.
void Links(const std::string& original, const std::string& folder, int count) {
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i)
        fs::create_hard_link(original, folder + "/Recording " + std::to_string(i) + ".mp3");
}

} // namespace

int main(int argc, char* argv[]) {
    TListBench bench(argc, argv);
    TForm1& form = bench.form;
    const std::string& dir = bench.dir;
    Encode(dir + "/ten.mp3", 10);
    Links(dir + "/ten.mp3", dir + "/thousand", 1000);
    Links(dir + "/ten.mp3", dir + "/tenthousand", 10000);

    const double thousand = Refill(form, dir + "/thousand", 1000);
    const double tenThousand = Refill(form, dir + "/tenthousand", 10000, 3);
    const double perFile = tenThousand / 10000, anchorPerFile = thousand / 1000;
    std::printf("refill: 10,000 recordings %.0f ms, 1,000 recordings %.0f ms; per file %.1f us and %.1f us\n",
                tenThousand * 1e3, thousand * 1e3, perFile * 1e6, anchorPerFile * 1e6);
    TableRow("refilling the list with 10,000 recordings, per file (/ with 1,000)",
             Figure("%.0f ms", tenThousand * 1e3).c_str(), Figure("%.0f ms", thousand * 1e3).c_str(),
             perFile / anchorPerFile, "at most 1.5, under 1 s");
    std::printf("list10000 ms: %.0f (per file ratio vs 1000: %.2f)\n", tenThousand * 1e3,
                perFile / anchorPerFile);
}
