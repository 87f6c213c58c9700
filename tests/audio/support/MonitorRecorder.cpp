#include "MonitorRecorder.h"

#include "TestSources.h"

#include <algorithm>
#include <cstdlib>

int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

int PeakOf(const std::vector<int16_t>& samples) {
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
}

std::vector<int16_t> Audible(const std::vector<int16_t>& samples) {
    const auto loud = [](int16_t s) { return std::abs(static_cast<int>(s)) > 300; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    return first < last ? std::vector<int16_t>(first, last) : std::vector<int16_t>();
}

size_t LongestSilence(const std::vector<int16_t>& samples) {
    size_t longest = 0, run = 0;
    for (int16_t s : samples) {
        run = std::abs(static_cast<int>(s)) > 300 ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

TMonitorRecorder::TMonitorRecorder() {
    for (int i = 0; i < in.DeviceCount(); ++i)
        if (in.GetDeviceName(i).find("Monitor of Sarvo_null_output") != std::string::npos) device = i;
    in.SetInBitsPerSample(16);
    in.SetInSampleRate(44100);
    // Both channels, keeping the left: servers differ in how they mix a stereo monitor down to
    // mono (an average on PulseAudio, 3 dB louder on PipeWire), and the test measures levels.
    in.SetInChannels(2);
    in.SetDeviceNumber(device);
    sink.SetInput(&in);
    sink.Collect = true;
}

bool TMonitorRecorder::Start() {
    sink.Run();
    return PumpUntil([&] { return sink.BytesPulled > 0; }, 3000);
}

std::vector<int16_t> TMonitorRecorder::Finish() {
    PumpFor(2500); // the monitor hands out its audio in bursts
    sink.Stop(false);
    const std::vector<int16_t> stereo = AsSamples(sink.Collected);
    std::vector<int16_t> left;
    left.reserve(stereo.size() / 2);
    for (size_t i = 0; i + 1 < stereo.size(); i += 2) left.push_back(stereo[i]);
    return left;
}
