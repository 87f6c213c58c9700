// The capture source against the private sound server (its 440 Hz sine source).

#include "DXAudioIn.h"
#include "EngineTestKit.h"
#include "TestSources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

int DeviceNamed(const TDXAudioIn& in, const std::string& part) {
    for (int i = 0; i < in.DeviceCount(); ++i)
        if (in.GetDeviceName(i).find(part) != std::string::npos) return i;
    return -1;
}

int SineDevice(const TDXAudioIn& in) { return DeviceNamed(in, "Sine"); }

// On PulseAudio the paced input holds its tone while nobody records from it; PipeWire's, a
// loopback kept running, goes on meanwhile.
size_t LargestStepAt(const std::vector<int16_t>& samples) {
    size_t at = 0;
    int largest = -1;
    for (size_t i = 1; i < samples.size(); ++i)
        if (const int step = std::abs(samples[i] - samples[i - 1]); step > largest) {
            largest = step;
            at = i;
        }
    return at;
}

bool RunsFreeWhileNobodyListens() {
    const char* server = std::getenv("SARVO_SOUND_SERVER");
    return server && std::string(server) == "pipewire";
}

// The recorder's settings: 16-bit, 44100 Hz, latency 100 ms, 200 ms poll.
void ConfigureLikeTheRecorder(TDXAudioIn& in, uint32_t channels) {
    in.SetInBitsPerSample(16);
    in.SetInSampleRate(44100);
    in.SetInChannels(channels);
    in.SetLatency(100);
    in.SetFramesInBuffer(65535);
    in.SetPollingInterval(200);
    in.SetDeviceNumber(SineDevice(in));
}

// The capture is the half-scale 440 Hz sine, without gaps, the same on every channel.
void ExpectCleanSineTone(const std::vector<uint8_t>& captured, uint32_t channels) {
    const std::vector<int16_t> samples = AsSamples(captured);
    const std::vector<int16_t> left = Channel(samples, channels, 0);
    EXPECT_EQ(StrongestFrequency(left, 44100, 300, 600), 440.0);
    EXPECT_GT(ToneLevel(left, 440, 44100), 0.05) << "a half-scale sine";
    EXPECT_LT(WorstDiscontinuity(left, 440, 44100), 1.5) << "no gap inside the capture";
    for (uint32_t c = 1; c < channels; ++c) EXPECT_EQ(Channel(samples, channels, c), left);
}

class Capture : public testing::Test {
protected:
    void SetUp() override {
        if (SineDevice(probe) < 0 || DeviceNamed(probe, "Paced") < 0)
            GTEST_SKIP() << "the private sound server's sine source and paced input are not there";
    }
    TDXAudioIn probe;
};

} // namespace

TEST_F(Capture, ListsTheSineSourceWithItsDescription) {
    EXPECT_LE(probe.DeviceCount(), TDXAudioIn::MaxDevices);
    EXPECT_EQ(probe.GetDeviceName(SineDevice(probe)), "Sine source at 440 Hz");
    EXPECT_EQ(probe.GetDeviceName(probe.DeviceCount()), "");
    EXPECT_EQ(probe.GetDeviceName(-1), "");
}

// The sine source hands out two seconds at a time, ahead of the clock, so timing is judged on
// the paced input.
TEST_F(Capture, ThreeSecondsDeliverTheElapsedTimeOfA440HzTone) {
    for (const uint32_t channels : {1u, 2u}) {
        TDXAudioIn in;
        ConfigureLikeTheRecorder(in, channels);
        in.SetDeviceNumber(DeviceNamed(in, "Paced"));
        TScriptedSink sink;
        sink.Collect = true;
        sink.SetInput(&in);
        sink.Run();
        // Timed from the first data: an input that was idle takes a moment to wake up.
        ASSERT_TRUE(PumpUntil([&] { return sink.BytesPulled > 0; })) << "waiting for the first captured data";
        const auto start = std::chrono::steady_clock::now();
        const int64_t before = sink.BytesPulled;
        PumpFor(3000);
        sink.Stop(false);
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ASSERT_EQ(sink.ExceptionMessage(), "");
        EXPECT_EQ(in.FramesInBuffer(), 4410u) << "latency 100 ms at 44100 Hz";
        EXPECT_EQ(in.PollingInterval(), 50u);
        const double expected = elapsed * 44100 * 2 * channels;
        const double block = 4410.0 * 2 * channels;
        const auto delivered = static_cast<double>(sink.BytesPulled - before);
        std::printf("%u channel(s): %.0f bytes in %.3f s (expected %.0f, block %.0f)\n", channels, delivered,
                    elapsed, expected, block);
        EXPECT_NEAR(delivered, expected, block);
        ExpectCleanSineTone(sink.Collected, channels);
        EXPECT_EQ(in.Overruns(), 0u);
    }
}

TEST_F(Capture, PauseKeepsWhatWasCapturedAndTheToneGoesOnWithoutAJump) {
    TDXAudioIn in;
    ConfigureLikeTheRecorder(in, 1);
    in.SetDeviceNumber(DeviceNamed(in, "Paced"));
    TScriptedSink sink;
    sink.Collect = true;
    sink.SetInput(&in);
    sink.Run();
    PumpFor(1000);
    sink.Pause();
    ASSERT_EQ(sink.Status(), tosPaused);
    PumpFor(2000);
    sink.Resume();
    PumpFor(1000);
    sink.Stop(false);
    ASSERT_EQ(sink.ExceptionMessage(), "");
    const std::vector<int16_t> samples = AsSamples(sink.Collected);
    std::printf("captured %.2f s around a 2 s pause\n", samples.size() / 44100.0);
    EXPECT_NEAR(samples.size() / 44100.0, 2.0, 0.35) << "the pause is not in the recording";
    if (RunsFreeWhileNobodyListens()) {
        // The tone went on during the pause: one phase jump, at the seam, is right; a second is not.
        const size_t seam = LargestStepAt(samples);
        const std::vector<int16_t> before(samples.begin(), samples.begin() + seam),
            after(samples.begin() + seam, samples.end());
        EXPECT_LT(WorstDiscontinuity(before, 440, 44100), 1.5) << "no gap before the pause";
        EXPECT_LT(WorstDiscontinuity(after, 440, 44100), 1.5) << "no gap after the pause";
    } else {
        EXPECT_LT(WorstDiscontinuity(samples, 440, 44100), 1.5) << "no gap or phase jump at the seam";
    }
    EXPECT_EQ(in.Overruns(), 0u);
}

TEST_F(Capture, CapturedSignalIsTheSineSourcesTone) {
    for (const uint32_t channels : {1u, 2u}) {
        TDXAudioIn in;
        ConfigureLikeTheRecorder(in, channels);
        in.SetRecTime(1);
        TScriptedSink sink;
        sink.Collect = true;
        sink.SetInput(&in);
        int done = 0;
        sink.SetOnDone([&](TComponent*) { ++done; });
        sink.Run();
        ASSERT_TRUE(PumpUntil([&] { return done == 1; }, 5000))
            << "waiting for the one-second capture to end";
        ASSERT_EQ(sink.ExceptionMessage(), "");
        ASSERT_EQ(sink.Collected.size(), 44100u * 2 * channels);
        ExpectCleanSineTone(sink.Collected, channels);
        EXPECT_EQ(in.Overruns(), 0u);
    }
}

// A RecTime of one second giving exactly 44100 frames is checked with the tone above.
TEST_F(Capture, RecTimeSetsTheSamplesToReadAndZeroEndsAtTheFirstPull) {
    TDXAudioIn in;
    ConfigureLikeTheRecorder(in, 1);
    in.SetRecTime(1);
    EXPECT_EQ(in.SamplesToRead(), 44100);
    EXPECT_EQ(in.TotalTime(), 1u);
    TScriptedSink sink;
    sink.Collect = true;
    sink.SetInput(&in);
    int done = 0;
    sink.SetOnDone([&](TComponent*) { ++done; });
    in.SetRecTime(0);
    sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return done == 1; }, 5000))
        << "waiting for the capture with RecTime 0 to end";
    EXPECT_TRUE(sink.Collected.empty()) << "RecTime 0 ends at the first pull";
    in.SetRecTime(-1);
    EXPECT_EQ(in.SamplesToRead(), -1);
    EXPECT_EQ(in.TotalTime(), 0u);
}

TEST_F(Capture, StartErrors) {
    TDXAudioIn in;
    ConfigureLikeTheRecorder(in, 1);
    for (const int bad : {in.DeviceCount(), -1}) {
        in.SetDeviceNumber(bad);
        EXPECT_EQ(MessageOf([&] { in.Init(); }), "Invalid device number");
        in.Flush();
    }
    in.SetDeviceNumber(SineDevice(in));
    in.Init();
    EXPECT_EQ(MessageOf([&] { in.Init(); }), "The component is busy");
    in.SetFramesInBuffer(10);
    in.Flush();
    void* data = nullptr;
    uint32_t bytes = 10;
    EXPECT_EQ(MessageOf([&] { in.GetData(data, bytes); }), "The Stream is not opened");
}

TEST_F(Capture, LatencyRuleAtOpen) {
    TDXAudioIn in;
    ConfigureLikeTheRecorder(in, 1);
    in.SetLatency(5);
    in.Init();
    EXPECT_EQ(in.Latency(), 10u);
    EXPECT_EQ(in.FramesInBuffer(), 441u);
    EXPECT_EQ(in.PollingInterval(), 5u);
    in.Flush();
    in.SetLatency(0);
    in.SetFramesInBuffer(8820);
    in.SetPollingInterval(30);
    in.Init();
    EXPECT_EQ(in.FramesInBuffer(), 8820u);
    EXPECT_EQ(in.PollingInterval(), 30u);
    in.Flush();
}

TEST_F(Capture, SourceThatVanishesBetweenListingAndOpeningFailsWithNoDriver) {
    const std::string module = Shell("pactl load-module module-null-sink sink_name=sarvo_vanishing "
                                     "sink_properties=device.description=sarvo_vanishing 2>/dev/null");
    ASSERT_FALSE(module.empty()) << "pactl could not load a module";
    TDXAudioIn in;
    ConfigureLikeTheRecorder(in, 1);
    int vanishing = -1;
    for (int i = 0; i < in.DeviceCount(); ++i)
        if (in.GetDeviceName(i).find("sarvo_vanishing") != std::string::npos) vanishing = i;
    Shell("pactl unload-module " + module);
    ASSERT_GE(vanishing, 0);
    in.SetDeviceNumber(vanishing);
    EXPECT_EQ(MessageOf([&] { in.Init(); }), "Failed to create DirectSound device: DSERR_NODRIVER");
}

TEST(CaptureWithoutServer, NoServerMeansNoDevicesAndNoException) {
    TNoSoundServer noServer;
    const auto start = std::chrono::steady_clock::now();
    {
        TDXAudioIn in;
        EXPECT_EQ(in.DeviceCount(), 0);
        EXPECT_EQ(MessageOf([&] { in.Init(); }), "Invalid device number");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
