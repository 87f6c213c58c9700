// The sound server killed under a running capture, playback or mixer: the run ends with a message
// within two seconds, nothing hangs, and everything works again once the server is back.

#include "AudioOut.h"
#include "DXAudioIn.h"
#include "EngineTestKit.h"
#include "SysAudioMixer.h"
#include "TestSources.h"

#include <gtest/gtest.h>

namespace {

using Clock = std::chrono::steady_clock;

// Kills the server once the sink is under way; returns how long the run took to end.
std::chrono::milliseconds KillAndTimeTheEnd(TPrivateSoundServer& server, TAuOutput& sink, TRunEnds& end) {
    server.Kill();
    const auto killed = Clock::now();
    // The main thread keeps running its queue all along: nothing may block it.
    EXPECT_TRUE(PumpUntil([&] { return end.dones == 1; }, 5000))
        << "waiting for the run to end after the server was killed";
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - killed);
    std::printf("the run ended %lld ms after the server was killed: %s\n",
                static_cast<long long>(took.count()), sink.ExceptionMessage().c_str());
    EXPECT_EQ(sink.Status(), tosIdle);
    EXPECT_EQ(end.exceptions, 1);
    EXPECT_TRUE(end.onMainThread);
    return took;
}

class ServerLoss : public testing::Test {
protected:
    void SetUp() override {
        if (!server.Running()) GTEST_SKIP() << "a private sound server could not be started";
    }
    TPrivateSoundServer server;
};

} // namespace

TEST_F(ServerLoss, CaptureEndsWithAnErrorAndWorksAgainAfterARestart) {
    TDXAudioIn in;
    int sine = -1;
    for (int i = 0; i < in.DeviceCount(); ++i)
        if (in.GetDeviceName(i).find("Sine") != std::string::npos) sine = i;
    ASSERT_GE(sine, 0);
    in.SetInBitsPerSample(16);
    in.SetInSampleRate(44100);
    in.SetInChannels(1);
    in.SetDeviceNumber(sine);
    TScriptedSink sink;
    sink.SetInput(&in);
    TRunEnds end(sink);
    sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return sink.BytesPulled > 0; })) << "waiting for the first captured data";

    EXPECT_LT(KillAndTimeTheEnd(server, sink, end).count(), 2000);
    EXPECT_EQ(sink.ExceptionMessage(), "Input failed: DirectSound error 0x88780078");

    ASSERT_TRUE(server.Start()) << "waiting for the private sound server to start again";
    const int64_t before = sink.BytesPulled;
    sink.Run();
    EXPECT_TRUE(PumpUntil([&] { return sink.BytesPulled > before + 44100; }, 5000))
        << sink.ExceptionMessage();
    sink.Stop(false);
    EXPECT_EQ(sink.ExceptionMessage(), "");
}

TEST_F(ServerLoss, PlaybackEndsWithAnErrorAndWorksAgainAfterARestart) {
    TToneSource endless(44100, 2, 440, 0.5, -1);
    TAudioOut out;
    out.SetInput(&endless);
    TRunEnds end(out);
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return out.PositionMs() > 200; })) << "waiting for playback to pass 200 ms";

    EXPECT_LT(KillAndTimeTheEnd(server, out, end).count(), 2000);
    EXPECT_EQ(out.ExceptionMessage(), "Playback failed: the connection to the sound server was lost");

    ASSERT_TRUE(server.Start()) << "waiting for the private sound server to start again";
    TToneSource shortTone(44100, 2, 440, 0.5, 44100 * 4 / 2);
    out.SetInput(&shortTone);
    out.Run();
    EXPECT_TRUE(PumpUntil([&] { return end.dones == 2; }, 5000))
        << "waiting for the half-second tone to play to its end after the restart";
    EXPECT_EQ(out.ExceptionMessage(), "");
    EXPECT_NEAR(out.PositionMs(), 500, 100);
}

TEST_F(ServerLoss, MixerReportsTheLossAndReconnects) {
    TSysAudioMixer mixer;
    ASSERT_GT(mixer.MixerCount(), 0);
    EXPECT_EQ(mixer.Master()->Volume(), 100);
    server.Kill();
    const auto killed = Clock::now();
    EXPECT_EQ(mixer.Master()->Volume(), -1);
    EXPECT_NE(mixer.Master()->LastError(), MMSYSERR_NOERROR);
    EXPECT_EQ(mixer.MixerCount(), 0);
    EXPECT_LT(Clock::now() - killed, std::chrono::seconds(2));

    ASSERT_TRUE(server.Start()) << "waiting for the private sound server to start again";
    EXPECT_GT(mixer.MixerCount(), 0);
    EXPECT_EQ(mixer.Master()->Volume(), 100) << "the open mixer finds its source again by name";
}
