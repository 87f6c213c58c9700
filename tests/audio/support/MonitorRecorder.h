#pragma once
// Listening to what the private sound server's null sink plays, through its monitor.

#include "DXAudioIn.h"
#include "EngineTestKit.h"

#include <chrono>
#include <cstdint>
#include <vector>

using Clock = std::chrono::steady_clock;
int64_t MsSince(Clock::time_point start);

int PeakOf(const std::vector<int16_t>& samples);
// The samples from the first to the last one above the noise floor.
std::vector<int16_t> Audible(const std::vector<int16_t>& samples);
// The samples of the longest run below the noise floor.
size_t LongestSilence(const std::vector<int16_t>& samples);

// When a stream starts, the sink mixes it in over what it had already rendered ahead, but its
// monitor has handed that stretch out as silence already: the monitor misses up to the sink's
// latency of the stream's head. Speakers hear it all.
constexpr size_t MonitorHeadLossMs = 100; // 40–80 ms seen

// Captures the null sink's monitor at 44100 Hz while a test plays; what the left channel heard.
class TMonitorRecorder {
public:
    TMonitorRecorder();
    ~TMonitorRecorder() { sink.Stop(false); }

    bool Found() const { return device >= 0; }
    // Returns once the monitor delivers, so that nothing played is missed.
    bool Start();
    // What was heard, once the monitor has delivered everything played before now.
    std::vector<int16_t> Finish();

private:
    TDXAudioIn in;
    TScriptedSink sink;
    int device = -1;
};
