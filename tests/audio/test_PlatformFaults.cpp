// Inputs and outputs that misbehave, scripted without a sound server: a capture that stalls, comes
// in bursts, fails or vanishes, and an output that stops taking data. Nothing may hang, nothing
// may be lost, and every run ends exactly once with what happened.

#include "AudioOut.h"
#include "DXAudioIn.h"
#include "EngineTestKit.h"
#include "FakeAudioPlatform.h"
#include "MP3In.h"
#include "MP3Out.h"
#include "Mp3Frames.h"
#include "TestSources.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr uint32_t BytesPerSecond = 44100 * 2; // mono, 16 bits
// What "returns at once" allows: a third of the 3 s stall, a fifth of the 5 s limits, which a call that
// waited for either would take whole; a stop also finishes the file, which on a loaded machine took 524 ms.
constexpr int64_t AtOnceMs = 1000;

// The capture source over the scripted input, in the recorder's format.
struct TFakeInput {
    TFakeInput() {
        in.SetInSampleRate(44100);
        in.SetInBitsPerSample(16);
        in.SetInChannels(1);
        in.SetLatency(100);
        in.SetDeviceNumber(0);
    }
    // Lets the input deliver until the source has handed out ms of sound.
    void RecordFor(int ms) {
        capture->Live();
        ASSERT_TRUE(
            PumpUntil([&] { return in.Position() >= int64_t{ms} * BytesPerSecond / 1000; }, 2000 + ms))
            << "waiting for " << ms << " ms of sound from the scripted input";
    }
    // Stops the input and waits until a pull is waiting for more.
    void StallAndWait() {
        capture->Stall();
        ASSERT_TRUE(PumpUntil([&] { return in._AwaitingData(); }, 1000))
            << "waiting for a pull to wait for sound";
    }

    std::shared_ptr<TFakeCapture> capture = std::make_shared<TFakeCapture>();
    TDXAudioIn in{nullptr, capture};
};

// An MP3 sink recording the scripted input into a file of its own.
struct TFakeRecording : TFakeInput {
    TFakeRecording() {
        out->SetInput(&in);
        out->SetBitRate(mbr192);
        out->SetFileName(folder.Path("take.mp3"));
    }
    void Start() {
        out->Run();
        ASSERT_TRUE(capture->WaitForStream(2000)) << "waiting for the capture to open";
    }
    std::vector<uint8_t> File() const { return ReadWholeFile(folder.Path("take.mp3")); }

    TTempFolder folder;
    std::unique_ptr<TMP3Out> out = std::make_unique<TMP3Out>();
    TRunEnds ends{*out};
};

bool EndsWithId3v1Block(const std::vector<uint8_t>& file) {
    return file.size() >= 128 && std::memcmp(file.data() + file.size() - 128, "TAG", 3) == 0;
}

// Milliseconds of sound the file decodes to.
int64_t DecodedMs(const std::string& path) {
    TMP3In mp3;
    mp3.SetFileName(path);
    return int64_t{mp3.Duration()} * 10;
}

} // namespace

TEST(CaptureStall, AStallEndsTheRunWithItsMessageAndTheFileIsComplete) {
    // A limit well above the scheduling gaps of a loaded machine, which would end the run before
    // the input stalls.
    constexpr int StallLimitMs = 1000;
    TFakeRecording take;
    take.in.SetStallTimeout(StallLimitMs);
    take.Start();
    take.RecordFor(400);
    take.capture->Stall();
    const auto stalled = std::chrono::steady_clock::now();

    ASSERT_TRUE(PumpUntil([&] { return take.ends.dones == 1; }, StallLimitMs + 2000))
        << "waiting for the stalled run to end";
    const auto took = std::chrono::steady_clock::now() - stalled;
    EXPECT_LT(took, std::chrono::milliseconds(StallLimitMs + 500))
        << "the run ends once the stall limit has passed";
    EXPECT_EQ(take.ends.exceptions, 1);
    EXPECT_TRUE(take.ends.onMainThread);
    EXPECT_EQ(take.out->ExceptionMessage(), "Input stopped delivering sound");
    EXPECT_EQ(take.out->Status(), tosIdle);

    const std::vector<uint8_t> file = take.File();
    EXPECT_TRUE(EndsWithId3v1Block(file)) << "the file of a failed run is finished like any other";
    const int64_t delivered = static_cast<int64_t>(take.capture->Delivered().size()) * 1000 / BytesPerSecond;
    EXPECT_NEAR(DecodedMs(take.folder.Path("take.mp3")), delivered, 60) << "everything delivered was kept";
}

TEST(CaptureStall, AShortGapIsNotAStall) {
    TFakeInput input;
    input.in.SetStallTimeout(500);
    TScriptedSink sink;
    sink.SetInput(&input.in);
    TRunEnds ends(sink);
    sink.Run();
    input.RecordFor(100);
    input.capture->Stall();
    PumpFor(200);
    input.RecordFor(300);
    EXPECT_EQ(ends.exceptions, 0) << sink.ExceptionMessage();
    sink.Stop(false);
}

TEST(CaptureStall, StopPauseResumeAndTheEndOfTheSinkDoNotWaitForTheStall) {
    {
        TFakeRecording take;
        take.Start();
        take.RecordFor(200);
        take.StallAndWait();
        EXPECT_LT(MillisecondsOf([&] { take.out->Stop(false); }), AtOnceMs) << "Stop(false) during a stall";
        EXPECT_EQ(take.out->Status(), tosIdle);
        EXPECT_EQ(take.out->ExceptionMessage(), "") << "a stop is not a failure";
        EXPECT_TRUE(EndsWithId3v1Block(take.File()));
    }
    {
        TFakeRecording take;
        take.Start();
        take.RecordFor(200);
        take.StallAndWait();
        EXPECT_LT(MillisecondsOf([&] { take.out->Stop(true); }), AtOnceMs) << "Stop(true) during a stall";
        EXPECT_TRUE(PumpUntil([&] { return take.ends.dones == 1; }, AtOnceMs))
            << "waiting for OnDone after Stop(true)";
        EXPECT_EQ(take.ends.exceptions, 0);
        EXPECT_TRUE(EndsWithId3v1Block(take.File()));
    }
    {
        TFakeRecording take;
        take.Start();
        take.RecordFor(200);
        take.StallAndWait();
        EXPECT_LT(MillisecondsOf([&] { take.out.reset(); }), AtOnceMs) << "destroying a sink during a stall";
        EXPECT_TRUE(EndsWithId3v1Block(take.File()));
    }
}

TEST(CaptureStall, APauseDuringAStallHoldsTheRunAndTheStallCountsAnewAfterResume) {
    TFakeRecording take;
    take.in.SetStallTimeout(200);
    take.Start();
    take.RecordFor(100);
    take.StallAndWait();

    EXPECT_LT(MillisecondsOf([&] { take.out->Pause(); }), AtOnceMs) << "Pause during a stall";
    EXPECT_EQ(take.out->Status(), tosPaused);
    PumpFor(400);
    EXPECT_EQ(take.ends.exceptions, 0) << "a paused run is not stalled: " << take.out->ExceptionMessage();
    EXPECT_EQ(take.out->Status(), tosPaused);

    EXPECT_LT(MillisecondsOf([&] { take.out->Resume(); }), AtOnceMs) << "Resume during a stall";
    EXPECT_EQ(take.out->Status(), tosPlaying);
    const int64_t before = take.in.Position();
    take.RecordFor(static_cast<int>(before * 1000 / BytesPerSecond) + 100);
    EXPECT_EQ(take.ends.exceptions, 0) << take.out->ExceptionMessage();

    take.capture->Stall();
    ASSERT_TRUE(PumpUntil([&] { return take.ends.dones == 1; }, 2000))
        << "waiting for the stall after the resume";
    EXPECT_EQ(take.out->ExceptionMessage(), "Input stopped delivering sound");
}

TEST(CaptureStall, APauseWhileSoundFlowsParksTheWorkerAndLosesNothing) {
    TFakeInput input;
    TScriptedSink sink;
    sink.Collect = true;
    sink.SetInput(&input.in);
    sink.Run();
    input.RecordFor(300);
    sink.Pause();
    EXPECT_EQ(sink.Status(), tosPaused);
    const int64_t held = sink.BytesPulled;
    PumpFor(200);
    EXPECT_LE(sink.BytesPulled - held, 16384) << "at most the chunk under way is finished while paused";
    sink.Resume();
    input.RecordFor(600);
    input.capture->Stall();
    const auto delivered = input.capture->Delivered();
    ASSERT_TRUE(PumpUntil([&] { return sink.BytesPulled == static_cast<int64_t>(delivered.size()); }, 2000))
        << "waiting for the sink to take everything delivered";
    sink.Stop(false);
    EXPECT_EQ(sink.Collected, delivered) << "the pause loses and repeats nothing";
}

TEST(CaptureBursts, ABurstOfTwoSecondsIsRecordedWithoutLoss) {
    TFakeInput input;
    TScriptedSink sink;
    sink.Collect = true;
    sink.SetInput(&input.in);
    sink.Run();
    ASSERT_TRUE(input.capture->WaitForStream(2000)) << "waiting for the capture to open";
    input.RecordFor(100);
    input.capture->Stall();
    input.capture->Burst(2000);
    input.RecordFor(2400);
    input.capture->Stall();
    const auto delivered = input.capture->Delivered();
    ASSERT_TRUE(PumpUntil([&] { return sink.BytesPulled == static_cast<int64_t>(delivered.size()); }, 2000))
        << "waiting for the sink to take everything delivered";
    sink.Stop(false);
    EXPECT_EQ(input.in.Overruns(), 0u);
    EXPECT_EQ(sink.Collected, delivered);
}

TEST(CaptureVanish, AVanishedInputIsReportedOnceAndCannotBeOpenedAgain) {
    TFakeRecording take;
    take.Start();
    take.RecordFor(200);
    take.capture->Vanish();
    ASSERT_TRUE(PumpUntil([&] { return take.ends.dones == 1; }, AtOnceMs)) << "waiting for the run to end";
    PumpFor(200);
    EXPECT_EQ(take.ends.dones, 1);
    EXPECT_EQ(take.ends.exceptions, 1);
    EXPECT_EQ(take.out->ExceptionMessage(), "Input failed: DirectSound error 0x88780078");
    EXPECT_TRUE(EndsWithId3v1Block(take.File()));

    take.out->SetFileName(take.folder.Path("again.mp3"));
    take.out->Run();
    ASSERT_TRUE(PumpUntil([&] { return take.ends.dones == 2; }, AtOnceMs))
        << "waiting for the second run to end";
    EXPECT_EQ(take.ends.exceptions, 2);
    EXPECT_EQ(take.out->ExceptionMessage(), "Failed to create DirectSound device: DSERR_NODRIVER");
    EXPECT_EQ(take.capture->OpenStreams(), 0) << "no stream is left open";
}

// Monitoring hands the input over to a recording and back: the next run on the same input and
// format takes the last run's stream again, and nothing captured before it starts is in it.
TEST(CaptureReuse, TheNextRunOnTheSameInputTakesTheStreamAgainWithNothingFromBefore) {
    TFakeInput input;
    TScriptedSink monitor;
    monitor.SetInput(&input.in);
    monitor.Run();
    ASSERT_TRUE(input.capture->WaitForStream(2000)) << "waiting for the monitoring capture to open";
    input.RecordFor(200);
    input.capture->Stall();
    monitor.Stop(false);
    input.capture->Burst(300); // what the server still hands over after the run
    const size_t before = input.capture->Delivered().size();

    TScriptedSink take;
    take.Collect = true;
    take.SetInput(&input.in);
    take.Run();
    ASSERT_TRUE(input.capture->WaitForStream(2000)) << "waiting for the take's capture to start";
    input.RecordFor(300);
    input.capture->Stall();
    const auto delivered = input.capture->Delivered();
    ASSERT_TRUE(
        PumpUntil([&] { return take.BytesPulled == static_cast<int64_t>(delivered.size() - before); }, 2000))
        << "waiting for the take to pull what was delivered after it started";
    take.Stop(false);
    EXPECT_EQ(input.capture->Opens(), 1) << "the take did not open the input anew";
    EXPECT_EQ(take.Collected,
              std::vector<uint8_t>(delivered.begin() + static_cast<ptrdiff_t>(before), delivered.end()));
}

TEST(CaptureReuse, AStreamThatFailedStalledOrDoesNotFitIsClosedAndTheInputOpenedAnew) {
    TFakeInput input;
    input.in.SetStallTimeout(300);
    TScriptedSink sink;
    sink.SetInput(&input.in);
    TRunEnds ends(sink);
    const auto runUntilIdle = [&](auto&& misbehave, const char* what) {
        sink.Run();
        ASSERT_TRUE(input.capture->WaitForStream(2000)) << "waiting for the capture to open: " << what;
        input.RecordFor(100);
        misbehave();
        ASSERT_TRUE(PumpUntil([&] { return sink.Status() == tosIdle; }, 2000))
            << "waiting for the run to end: " << what;
    };
    runUntilIdle([&] { input.capture->Fail(); }, "a failing input");
    runUntilIdle([&] { input.capture->Stall(); }, "a stalling input");
    EXPECT_EQ(input.capture->Opens(), 2) << "a failed stream is not taken again";
    runUntilIdle([&] { sink.Stop(false); }, "a stop");
    EXPECT_EQ(input.capture->Opens(), 3) << "a stalled stream is not taken again";
    input.in.SetInChannels(2);
    runUntilIdle([&] { sink.Stop(false); }, "a stop in stereo");
    EXPECT_EQ(input.capture->Opens(), 4) << "a stream of another format is not taken again";
    EXPECT_EQ(input.capture->OpenStreams(), 1) << "the one that did not fit was closed";
    EXPECT_TRUE(PumpUntil([&] { return ends.exceptions == 2; }, 1000))
        << "waiting for the two failures' reports";
}

TEST(PlaybackFaults, AStopDuringAStalledOutputReturnsAtOnceAndAFailureEndsTheRun) {
    auto output = std::make_shared<TFakePlayback>();
    TToneSource tone(44100, 2, 440, 0.5, -1);
    TAudioOut out(nullptr, output);
    out.SetInput(&tone);
    TRunEnds ends(out);
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return output->BytesWritten > 0; })) << "waiting for playback to start";
    output->Stalled = true;
    PumpFor(50);
    EXPECT_LT(MillisecondsOf([&] { out.Stop(false); }), AtOnceMs)
        << "Stop(false) while the output takes nothing";

    output->Stalled = false;
    const uint64_t before = output->BytesWritten;
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return output->BytesWritten > before + 100000; }))
        << "waiting for playback to go on";
    output->Failed = true;
    ASSERT_TRUE(PumpUntil([&] { return ends.dones == 1; }, AtOnceMs)) << "waiting for the failed run to end";
    EXPECT_EQ(ends.exceptions, 1);
    EXPECT_EQ(out.ExceptionMessage(), "Playback failed: the connection to the sound server was lost");
}
