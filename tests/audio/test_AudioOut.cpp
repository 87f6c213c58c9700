// The playback sink against the private sound server: what it plays is captured from the null
// sink's monitor and measured.

#include "AudioOut.h"
#include "DXAudioIn.h"
#include "EngineTestKit.h"
#include "MonitorRecorder.h"
#include "TestSources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

class Playback : public testing::Test {
protected:
    void SetUp() override {
        if (!monitor.Found()) GTEST_SKIP() << "the private sound server's null sink is not there";
        out.SetInput(&tone);
    }
    bool PlayedToTheEnd() {
        return PumpUntil([&] { return out.Status() == tosIdle; }, 10000) && out.ExceptionMessage().empty();
    }

    TPrivateSoundServer server; // what is heard on its null sink is this test's alone
    TToneSource tone{44100, 1, 440, 0.5, 2 * 44100 * 2};
    TAudioOut out;
    TMonitorRecorder monitor;
};

} // namespace

TEST_F(Playback, ATwoSecondToneIsHeardOnTheMonitorInRealTime) {
    ASSERT_TRUE(monitor.Start()) << "waiting for the null sink's monitor to deliver";
    out.Run();
    const auto start = Clock::now();
    ASSERT_TRUE(PumpUntil([&] { return out.PositionMs() > 0; }, 2000)) << "playback did not start";
    const int64_t startedAt = MsSince(start);
    PumpFor(1000);
    const int64_t heard = out.PositionMs(), elapsed = MsSince(start) - startedAt;
    std::printf("position %lld ms after %lld ms of wall time\n", static_cast<long long>(heard),
                static_cast<long long>(elapsed));
    EXPECT_NEAR(heard, elapsed, 100);
    ASSERT_TRUE(PlayedToTheEnd()) << out.ExceptionMessage();
    EXPECT_NEAR(out.PositionMs(), 2000, 100);
    EXPECT_NEAR(MsSince(start), 2000 + TAudioOut::LatencyMs, 400)
        << "the whole tone was played out, then the run ended";

    const std::vector<int16_t> heardTone = Audible(monitor.Finish());
    std::printf("heard %zu samples, peak %d\n", heardTone.size(), PeakOf(heardTone));
    EXPECT_GE(heardTone.size(), (2000 - MonitorHeadLossMs) * 44100 / 1000);
    EXPECT_LE(heardTone.size(), 2010 * 44100 / 1000);
    EXPECT_EQ(StrongestFrequency(heardTone, 44100, 300, 600), 440.0);
    EXPECT_LT(WorstDiscontinuity(heardTone, 440, 44100), 1.5) << "no gap in what was played";
    EXPECT_NEAR(PeakOf(heardTone), 16384, 300);
}

TEST_F(Playback, PauseHoldsThePositionAndTheSound) {
    ASSERT_TRUE(monitor.Start()) << "waiting for the null sink's monitor to deliver";
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return out.PositionMs() >= 700; }, 3000))
        << "waiting for playback to pass 700 ms";
    out.Pause();
    EXPECT_EQ(out.Status(), tosPaused);
    const int64_t held = out.PositionMs();
    PumpFor(800);
    EXPECT_NEAR(out.PositionMs(), held, 20) << "a paused stream does not advance";
    const auto resumed = Clock::now();
    out.Resume();
    ASSERT_TRUE(PlayedToTheEnd()) << out.ExceptionMessage();
    EXPECT_NEAR(MsSince(resumed), 2000 - held + TAudioOut::LatencyMs, 400);
    EXPECT_NEAR(out.PositionMs(), 2000, 100);

    const std::vector<int16_t> heardTone = Audible(monitor.Finish());
    const int64_t silenceMs = LongestSilence(heardTone) * 1000 / 44100;
    std::printf("heard %zu samples with %lld ms of silence, paused at %lld ms\n", heardTone.size(),
                static_cast<long long>(silenceMs), static_cast<long long>(held));
    EXPECT_NEAR(silenceMs, 800, 100) << "the sound stops while paused";
    EXPECT_NEAR(static_cast<double>(heardTone.size()) / 44.1, 2000 + silenceMs, MonitorHeadLossMs)
        << "the whole tone around the pause";
}

TEST_F(Playback, VolumeIsALinearGain) {
    out.SetVolume(370);
    ASSERT_TRUE(monitor.Start()) << "waiting for the null sink's monitor to deliver";
    out.Run();
    ASSERT_TRUE(PlayedToTheEnd()) << out.ExceptionMessage();
    const std::vector<int16_t> heardTone = Audible(monitor.Finish());
    const double ratio = PeakOf(heardTone) / 16384.0;
    std::printf("volume 370 gives %.3f of the level\n", ratio);
    EXPECT_NEAR(ratio, 0.37, 0.01);
    EXPECT_EQ(StrongestFrequency(heardTone, 44100, 300, 600), 440.0);
    out.SetVolume(1200);
    EXPECT_EQ(out.Volume(), 1000);
    out.SetVolume(-3);
    EXPECT_EQ(out.Volume(), 0);
}

TEST_F(Playback, StopDropsWhatIsQueuedAndEndsAtOnce) {
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return out.PositionMs() >= 300; }, 3000))
        << "waiting for playback to pass 300 ms";
    const auto stopping = Clock::now();
    out.Stop(false);
    EXPECT_LT(MsSince(stopping), 300);
    EXPECT_EQ(out.Status(), tosIdle);
    const int64_t at = out.PositionMs();
    EXPECT_LT(at, 800);
    PumpFor(200);
    EXPECT_EQ(out.PositionMs(), at) << "nothing is heard after the stop";

    out.Run();
    ASSERT_TRUE(PlayedToTheEnd()) << "a new run plays again";
    EXPECT_NEAR(out.PositionMs(), 2000, 100);
}

TEST(PlaybackWithoutServer, RunFailsWithAMessage) {
    TNoSoundServer noServer;
    TToneSource tone(44100, 1, 440, 0.5, 44100 * 2);
    TAudioOut out;
    out.SetInput(&tone);
    bool done = false;
    out.SetOnDone([&](TComponent*) { done = true; });
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return done; }, 5000)) << "waiting for the failed run's OnDone";
    EXPECT_EQ(out.ExceptionMessage(), "Playback failed: no sound server");
    EXPECT_EQ(tone.FlushCount, 1);
}
