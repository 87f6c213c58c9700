// CPU time of recording 60 s of stereo at 320 kbit/s from the sound server's sine source, against
// the server's own recorder piped into the lame tool doing the same, in the same run.

#include "BenchKit.h"
#include "DXAudioIn.h"
#include "MP3Out.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace {

constexpr int Seconds = 60;

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int SineDevice(const TDXAudioIn& in) {
    for (int i = 0; i < in.DeviceCount(); ++i)
        if (in.GetDeviceName(i).find("Sine") != std::string::npos) return i;
    return -1;
}

} // namespace

int main() {
    const std::string dir = std::filesystem::temp_directory_path() / "sarvo-bench-record";
    std::filesystem::create_directories(dir);
    TDXAudioIn in;
    const int device = SineDevice(in);
    if (device < 0) {
        std::fprintf(stderr, "bench_record: the private sound server's sine source is not there\n");
        return 1;
    }
    in.SetDeviceNumber(device);
    in.SetInSampleRate(44100);
    in.SetInBitsPerSample(16);
    in.SetInChannels(2);
    in.SetLatency(100);
    in.SetPollingInterval(200);
    TMP3Out out;
    out.SetInput(&in);
    out.SetBitRate(mbr320);
    out.SetFileName(dir + "/ours.mp3");

    const double before = CpuSeconds(RUSAGE_SELF);
    out.Run();
    std::this_thread::sleep_for(std::chrono::seconds(Seconds));
    out.Stop(false);
    const double ours = CpuSeconds(RUSAGE_SELF) - before;

    const std::string pipeline =
        "timeout " + std::to_string(Seconds) + " parec --device=sarvo_sine --format=s16le " +
        "--channels=2 --rate=44100 --latency-msec=100 | lame --quiet -r -s 44.1 --bitwidth 16 " +
        "--signed --little-endian -b 320 --cbr -m s - " + dir + "/theirs.mp3";
    const double childrenBefore = CpuSeconds(RUSAGE_CHILDREN);
    if (std::system(pipeline.c_str()) == -1)
        std::fprintf(stderr, "bench_record: the pipeline did not start\n");
    const double theirs = CpuSeconds(RUSAGE_CHILDREN) - childrenBefore;
    std::filesystem::remove_all(dir);

    std::printf("60 s of stereo at 320 kbit/s: recorder %.2f s of CPU, parec|lame %.2f s\n", ours, theirs);
    TableRow("CPU of recording 60 s stereo at 320 kbit/s (parec+lame's / ours)",
             Figure("%.2f s", ours).c_str(), Figure("%.2f s", theirs).c_str(), theirs / ours, "at least 1");
    std::printf("record cpu ratio vs parec|lame: %.2f\n", theirs / ours);
}
