// The media player against the private sound server: a recording played into the null sink,
// with its position, seeking, pause and stop.

#include "MP3In.h"
#include "MP3Out.h"
#include "MediaPlayer.h"
#include "MonitorRecorder.h"
#include "TestSources.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

class Player : public testing::Test {
protected:
    void SetUp() override {
        if (!monitor.Found()) GTEST_SKIP() << "the private sound server's null sink is not there";
        TToneSource tone(44100, 2, 440, 0.5, 3 * 44100 * 4);
        TMP3Out out;
        out.SetInput(&tone);
        out.SetFileName(recording);
        out.BlockingRun();
        player.SetFileName(recording);
        player.Open();
    }
    bool PlayedToTheEnd() {
        return PumpUntil([&] { return player.Position() >= player.Length() && !player.Playing(); }, 8000);
    }

    TPrivateSoundServer server; // what is heard on its null sink is this test's alone
    TTempFolder folder;
    std::string recording = folder.Path("recording 1 é.mp3");
    TMonitorRecorder monitor;
    TMediaPlayer player;
};

} // namespace

TEST_F(Player, PlaysARecordingInRealTimeAndEndsAtItsLength) {
    TMP3In in;
    in.SetFileName(recording);
    EXPECT_EQ(player.Length(), in.Duration() * 10);
    EXPECT_NEAR(player.Length(), 3000, 80) << "three seconds and the encoder's delay and padding";
    EXPECT_EQ(player.Position(), 0);

    ASSERT_TRUE(monitor.Start()) << "waiting for the null sink's monitor to deliver";
    player.Play();
    const auto start = Clock::now();
    ASSERT_TRUE(PumpUntil([&] { return player.Position() > 0; }, 2000))
        << "waiting for the player's position to move";
    const int64_t firstHeard = player.Position(), firstAt = MsSince(start);
    PumpFor(1000);
    const int64_t advanced = player.Position() - firstHeard, elapsed = MsSince(start) - firstAt;
    std::printf("position advanced %lld ms in %lld ms\n", static_cast<long long>(advanced),
                static_cast<long long>(elapsed));
    EXPECT_NEAR(advanced, elapsed, 100);
    ASSERT_TRUE(PlayedToTheEnd()) << "waiting for the recording to play to its end";
    EXPECT_EQ(player.Position(), player.Length());

    const std::vector<int16_t> heard = Audible(monitor.Finish());
    std::printf("heard %.3f s\n", heard.size() / 44100.0);
    EXPECT_GE(heard.size() * 1000 / 44100, 3000 - MonitorHeadLossMs);
    EXPECT_EQ(StrongestFrequency(heard, 44100, 300, 600), 440.0);
    EXPECT_LT(WorstDiscontinuity(heard, 440, 44100), 1.5);

    player.Play();
    EXPECT_TRUE(PumpUntil([&] { return player.Playing() && player.Position() < 1000; }, 2000))
        << "after the end, Play starts again from the beginning";
}

TEST_F(Player, SeekingPlaysFromThereAndPauseHolds) {
    // Listening keeps the null sink's latency low: without a listener it may render most of a
    // second ahead, and what it has rendered is still heard after a pause.
    ASSERT_TRUE(monitor.Start()) << "waiting for the null sink's monitor to deliver";
    player.Play();
    ASSERT_TRUE(PumpUntil([&] { return player.Position() > 200; }, 2000))
        << "waiting for the player to pass 200 ms";
    player.SetPosition(1500);
    EXPECT_TRUE(player.Playing()) << "playback goes on from the new position";
    EXPECT_GE(player.Position(), 1500);
    PumpFor(300);
    EXPECT_NEAR(player.Position(), 1800, 100);

    player.Pause();
    const int64_t held = player.Position();
    PumpFor(500);
    EXPECT_NEAR(player.Position(), held, 20);
    player.Play();
    PumpFor(300);
    EXPECT_NEAR(player.Position(), held + 300, 100) << "Play after Pause goes on where it paused";

    player.Stop();
    EXPECT_EQ(player.Position(), 0);
    EXPECT_FALSE(player.Playing());

    player.SetPosition(2500); // while stopped: Play starts there
    EXPECT_FALSE(player.Playing());
    player.Play();
    ASSERT_TRUE(PumpUntil([&] { return player.Position() > 2500; }, 2000))
        << "waiting for the player to pass 2500 ms";
    EXPECT_TRUE(PlayedToTheEnd()) << "waiting for the recording to play to its end";
}

TEST_F(Player, VolumeIsPassedToThePlayback) {
    player.SetVolume(370);
    EXPECT_EQ(player.Volume(), 370);
    ASSERT_TRUE(monitor.Start()) << "waiting for the null sink's monitor to deliver";
    player.Play();
    ASSERT_TRUE(PlayedToTheEnd()) << "waiting for the recording to play to its end";
    const double ratio = PeakOf(Audible(monitor.Finish())) / 16384.0;
    std::printf("volume 370 plays at %.3f of the level\n", ratio);
    EXPECT_NEAR(ratio, 0.37, 0.03) << "the encoded tone's peak is near 0.5 of full scale";
}

TEST_F(Player, AFileItCannotPlayRaisesOnOpen) {
    const std::string text = folder.Path("notes.mp3");
    std::ofstream(text) << "not audio";
    player.SetFileName(text);
    EXPECT_EQ(MessageOf([&] { player.Open(); }), "The file cannot be played: " + text);
    EXPECT_EQ(player.Length(), 0);
    EXPECT_EQ(MessageOf([&] { player.Play(); }), "No file is open");
    const std::string missing = folder.Path("missing.mp3");
    player.SetFileName(missing);
    EXPECT_EQ(MessageOf([&] { player.Open(); }), "The file cannot be played: " + missing);
    TSpecialFiles special(folder.Path(""));
    for (const std::string& name : special.Paths()) {
        player.SetFileName(name);
        EXPECT_EQ(MessageOf([&] { player.Open(); }), "The file cannot be played: " + name);
    }
    EXPECT_FALSE(special.DeadlinePassed()) << "an open waited on the FIFO";
}
