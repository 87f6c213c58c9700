#include "EngineTestKit.h"
#include "TestSources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct Pipeline {
    TToneSource tone{44100, 1, 440.0, 0.5, -1};
    TScriptedSink sink;
    std::vector<std::string> events; // main-thread deliveries, in order
    std::atomic<bool> mainThreadOnly{true};

    Pipeline() {
        sink.SetInput(&tone);
        sink.SetOnDone([this](TComponent* s) { Record("done", s); });
        sink.SetOnThreadException([this](TComponent* s) { Record("exception", s); });
    }
    void Record(const char* what, TComponent* sender) {
        if (!IsMainThread() || sender != &sink) mainThreadOnly = false;
        events.emplace_back(what);
    }
    size_t Count(const std::string& what) const {
        return static_cast<size_t>(std::count(events.begin(), events.end(), what));
    }
};

} // namespace

TEST(SinkRun, RunOnABusySinkRaisesAndLeavesTheRunAlone) {
    Pipeline p;
    p.sink.Run();
    EXPECT_EQ(MessageOf([&] { p.sink.Run(); }), "Component is Busy");
    EXPECT_EQ(p.sink.Status(), tosPlaying);
    EXPECT_TRUE(PumpUntil([&] { return p.sink.BytesPulled > 8192; }))
        << "waiting for the run to pull past 8 KiB";
    p.sink.Stop(false);
    EXPECT_EQ(p.sink.Prepares, 1);
}

TEST(SinkRun, RunWithoutInputRaisesAndStaysIdle) {
    TScriptedSink sink;
    EXPECT_EQ(MessageOf([&] { sink.Run(); }), "Input is not assigned");
    EXPECT_EQ(sink.Status(), tosIdle);
    EXPECT_EQ(sink.Prepares, 0);
}

TEST(SinkRun, PauseWithoutInputRaisesEvenWhenIdleAndIdleSinksIgnorePauseAndResume) {
    TScriptedSink sink;
    EXPECT_EQ(MessageOf([&] { sink.Pause(); }), "Input is not assigned.");
    TToneSource tone;
    sink.SetInput(&tone);
    sink.Pause();
    EXPECT_EQ(sink.Status(), tosIdle);
    EXPECT_EQ(tone.PauseCount, 0);
    sink.Resume();
    EXPECT_EQ(tone.ResumeCount, 0);
}

TEST(SinkRun, RunEndsByItselfWhenTheInputEndsAndOnDoneFollowsOnTheMainThread) {
    TToneSource tone(44100, 2, 440.0, 0.5, 44100 * 4);
    TScriptedSink sink;
    sink.SetInput(&tone);
    int done = 0;
    TOutputStatus statusInDone = tosPlaying;
    sink.SetOnDone([&](TComponent*) {
        ++done;
        statusInDone = sink.Status();
    });
    sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return done == 1; }))
        << "waiting for the run to end by itself at the tone's end";
    EXPECT_EQ(statusInDone, tosIdle);
    EXPECT_EQ(sink.BytesPulled, 44100 * 4);
    EXPECT_EQ(sink.Finishes, 1);
    EXPECT_EQ(tone.FlushCount, 1);
    EXPECT_EQ(sink.TimeElapsed(), 1);
}

TEST(SinkStop, SynchronousStopOfAnIdleSinkReturnsAtOnce) {
    Pipeline p;
    p.sink.Stop(false);
    EXPECT_EQ(p.sink.Finishes, 0);
    PumpFor(50);
    EXPECT_TRUE(p.events.empty());
}

TEST(SinkStop, SynchronousStopReturnsAfterDoFinishAndDeliversNoOnDone) {
    Pipeline p;
    p.sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return p.sink.BytesPulled > 0; })) << "waiting for the sink's first pull";
    p.sink.Stop(false);
    EXPECT_EQ(p.sink.Finishes, 1);
    EXPECT_EQ(p.sink.Status(), tosIdle);
    PumpFor(300);
    EXPECT_EQ(p.Count("done"), 0u);
}

TEST(SinkStop, NoHandlerRunsInsideASynchronousStopSoNoneCanStartTheSinkAgain) {
    // Another sink's OnDone that starts the stopped sink again, waiting to be delivered.
    Pipeline stopped;
    Pipeline other;
    other.sink.SetOnDone([&](TComponent*) { stopped.sink.Run(); });
    stopped.sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return stopped.sink.BytesPulled > 0; }))
        << "waiting for the first sink to run";
    other.sink.Run();
    other.sink.Stop(true);
    // Give the worker time to post its OnDone; the main thread does not run it yet.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stopped.sink.Stop(false);
    EXPECT_EQ(stopped.sink.Status(), tosIdle)
        << "the stop ends the sink, and nothing started it again meanwhile";
    EXPECT_EQ(stopped.sink.Prepares, 1);
    PumpUntil([&] { return stopped.sink.Prepares == 2; }, 2000);
    EXPECT_EQ(stopped.sink.Prepares, 2) << "the handler runs afterwards, from the main thread's queue";
    stopped.sink.Stop(false);
}

TEST(SinkStop, AsynchronousStopReturnsAtOnceAndOnDoneArrivesLaterOnTheMainThread) {
    Pipeline p;
    std::atomic<bool> release{false};
    p.sink.OnFinish = [&] {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    p.sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return p.sink.BytesPulled > 0; })) << "waiting for the sink's first pull";
    p.sink.Stop(true);
    PumpFor(50);
    EXPECT_EQ(p.Count("done"), 0u) << "the finish step is still running";
    release = true;
    ASSERT_TRUE(PumpUntil([&] { return p.Count("done") == 1; }))
        << "waiting for OnDone once the finish step is let go";
    EXPECT_EQ(p.sink.Status(), tosIdle);
    EXPECT_TRUE(p.mainThreadOnly);
}

TEST(SinkStop, StopWhilePausedCallsDoChunkWithAbortOnceAndEnds) {
    Pipeline p;
    p.sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return p.sink.BytesPulled > 0; })) << "waiting for the sink's first pull";
    p.sink.Pause();
    ASSERT_EQ(p.sink.Status(), tosPaused);
    EXPECT_EQ(p.tone.PauseCount, 1);
    const int64_t pulledBefore = p.sink.BytesPulled;
    p.sink.Stop(true);
    ASSERT_TRUE(PumpUntil([&] { return p.Count("done") == 1; }))
        << "waiting for OnDone after Stop(true) while paused";
    EXPECT_EQ(p.sink.AbortedChunks, 1);
    EXPECT_EQ(p.sink.BytesPulled, pulledBefore);
}

TEST(SinkStop, StopFromTheWorkerThreadRaises) {
    Pipeline p;
    std::string message;
    p.sink.OnChunk = [&](bool) {
        message = MessageOf([&] { p.sink.Stop(true); });
        return false;
    };
    p.sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return p.Count("done") == 1; }))
        << "waiting for the run to end after its chunk step ends it";
    EXPECT_EQ(message, "You are trying to stop this thread from the thread itself!");
}

TEST(SinkPause, PauseHoldsResumeContinuesAndTheSourceIsTold) {
    Pipeline p;
    p.sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return p.sink.BytesPulled > 0; })) << "waiting for the sink's first pull";
    p.sink.Pause();
    ASSERT_EQ(p.sink.Status(), tosPaused);
    p.sink.Pause(); // a second Pause while paused returns at once
    const int64_t held = p.sink.BytesPulled;
    PumpFor(50);
    EXPECT_EQ(p.sink.BytesPulled, held);
    p.sink.Resume();
    EXPECT_EQ(p.sink.Status(), tosPlaying);
    EXPECT_EQ(p.tone.ResumeCount, 1);
    EXPECT_TRUE(PumpUntil([&] { return p.sink.BytesPulled > held; }))
        << "waiting for the resumed sink to pull again";
    p.sink.Stop(false);
}

TEST(SinkRun, RunArrivingBetweenTheEndOfARunAndTheWorkersSleepStartsTheNextRun) {
    TToneSource tone(44100, 1, 440.0, 0.5, 8192);
    TScriptedSink sink;
    sink.SetInput(&tone);
    std::atomic<int> syncDone{0};
    std::atomic<bool> rerun{false};
    sink.SetOnSyncDone([&](TComponent*) {
        // On the worker, after the end-of-run step and before sleeping: hold it until Run is in.
        if (++syncDone == 1)
            while (!rerun) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    int done = 0;
    sink.SetOnDone([&](TComponent*) { ++done; });
    sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return sink.Status() == tosIdle && syncDone == 1; }))
        << "waiting for the first run's end step on the worker";
    sink.Run();
    rerun = true;
    ASSERT_TRUE(PumpUntil([&] { return done == 2; })) << "waiting for OnDone of both runs";
    EXPECT_EQ(sink.Prepares, 2);
    EXPECT_EQ(sink.BytesPulled, 16384);
}

// A run in the caller's thread longer than the idle worker's look at its flags: the worker, which
// sees the sink busy, must not take it for a Run of its own and encode beside it.
TEST(SinkRun, ABlockingRunLongerThanTheWorkersLookAtItsFlagsRunsInTheCallerAlone) {
    TToneSource tone(44100, 1, 440.0, 0.5, -1);
    TScriptedSink sink;
    sink.SetInput(&tone);
    std::atomic<int> inside{0}, most{0};
    const auto started = std::chrono::steady_clock::now();
    sink.OnChunk = [&](bool) {
        most = std::max(most.load(), ++inside);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        --inside;
        return std::chrono::steady_clock::now() - started < std::chrono::milliseconds(1500);
    };
    sink.BlockingRun();
    EXPECT_EQ(sink.Prepares, 1) << "only the caller prepared a run";
    EXPECT_EQ(most, 1) << "no chunk ran beside another";
    EXPECT_EQ(sink.Finishes, 1);
    // The worker still takes the next Run.
    sink.OnChunk = nullptr;
    int done = 0;
    sink.SetOnDone([&](TComponent*) { ++done; });
    sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return sink.BytesPulled > 0; })) << "waiting for the worker's run to pull";
    sink.Stop(true);
    ASSERT_TRUE(PumpUntil([&] { return done == 1; })) << "waiting for the worker's run to end";
    EXPECT_EQ(sink.Prepares, 2);
}

TEST(SinkErrors, ExceptionInDoPrepareOrDoChunkGivesMessageThenOnThreadExceptionThenOnDone) {
    for (const bool inPrepare : {true, false}) {
        Pipeline p;
        if (inPrepare)
            p.sink.OnPrepare = [] { throw EAuException("cannot open the device"); };
        else
            p.sink.OnChunk = [](bool) -> bool { throw EAuException("cannot open the device"); };
        p.sink.Run();
        ASSERT_TRUE(PumpUntil([&] { return p.Count("done") == 1; }))
            << "waiting for OnDone after the failing step";
        EXPECT_EQ(p.sink.ExceptionMessage(), "cannot open the device");
        EXPECT_EQ(p.events, (std::vector<std::string>{"exception", "done"}));
        EXPECT_EQ(p.sink.Status(), tosIdle);
        EXPECT_TRUE(p.mainThreadOnly);
        // A new run clears the old message.
        p.sink.OnPrepare = nullptr;
        p.sink.OnChunk = nullptr;
        p.sink.Run();
        EXPECT_EQ(p.sink.ExceptionMessage(), "");
        p.sink.Stop(false);
    }
}

TEST(SinkErrors, ExceptionInDoFinishIsSwallowedAndTheSinkBecomesIdle) {
    Pipeline p;
    p.sink.OnFinish = [] { throw EAuException("disk gone"); };
    p.sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return p.sink.BytesPulled > 0; })) << "waiting for the sink's first pull";
    p.sink.Stop(true);
    ASSERT_TRUE(PumpUntil([&] { return p.Count("done") == 1; }))
        << "waiting for OnDone after the failing finish step";
    EXPECT_EQ(p.sink.Status(), tosIdle);
    EXPECT_EQ(p.sink.ExceptionMessage(), "");
    EXPECT_EQ(p.Count("exception"), 0u);
    p.sink.Run(); // and it can run again
    p.sink.Stop(false);
}

TEST(SinkErrors, FailingSourceStartReraisesItsTextAndLeavesTheSourceAtItsEnd) {
    TToneSource tone;
    tone.FailInit = true;
    EXPECT_EQ(MessageOf([&] { tone.Init(); }), "The tone could not start");
    Pipeline p;
    p.tone.FailInit = true;
    p.sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return p.Count("done") == 1; }))
        << "waiting for OnDone after the failed start";
    EXPECT_EQ(p.sink.ExceptionMessage(), "The tone could not start");
}

TEST(SinkProperties, DelayAboveOneHundredIsIgnored) {
    TScriptedSink sink;
    sink.SetDelay(50);
    sink.SetDelay(150);
    EXPECT_EQ(sink.Delay(), 50);
    sink.SetDelay(3);
    EXPECT_EQ(sink.Delay(), 3);
}

TEST(SinkProperties, DelaySlowsEveryChunk) {
    TToneSource tone(44100, 1, 440.0, 0.5, 4096 * 5);
    TScriptedSink sink;
    sink.SetInput(&tone);
    sink.SetDelay(40);
    const auto start = std::chrono::steady_clock::now();
    int done = 0;
    sink.SetOnDone([&](TComponent*) { ++done; });
    sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return done == 1; })) << "waiting for the slowed run to end";
    // Six chunks (five with data, one at the end) each wait 40 ms: the run cannot be quicker.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(6 * 40));
}

TEST(SinkProperties, ProgressFollowsTheInputSize) {
    TScriptedSink sink;
    EXPECT_EQ(sink.Progress(), 0) << "no input";
    TToneSource endless;
    sink.SetInput(&endless);
    endless.Init();
    EXPECT_EQ(sink.Progress(), -1);
    TToneSource unknown(44100, 1, 440, 0.5, 0);
    sink.SetInput(&unknown);
    unknown.Init();
    EXPECT_EQ(sink.Progress(), 0);
    TToneSource sized(44100, 1, 440, 0.5, 800);
    sink.SetInput(&sized);
    sized.Init();
    void* data = nullptr;
    uint32_t bytes = 20; // 2.5 %: rounds to the even 2
    sized.GetData(data, bytes);
    EXPECT_EQ(sink.Progress(), 2);
    bytes = 8; // 3.5 %: rounds to 4
    sized.GetData(data, bytes);
    EXPECT_EQ(sink.Progress(), 4);
}

TEST(SinkProperties, TimeElapsedIsWholeSecondsDeliveredRoundedToEven) {
    TToneSource tone(8000, 2, 440, 0.5, -1);
    TScriptedSink sink;
    sink.SetInput(&tone);
    tone.Init();
    std::vector<uint8_t> buffer(8000 * 4 * 5 / 2);
    bool end = false;
    tone.FillBuffer(buffer.data(), static_cast<int32_t>(buffer.size()), end); // 2.5 s
    EXPECT_EQ(sink.TimeElapsed(), 2);
    tone.FillBuffer(buffer.data(), 8000 * 4, end); // 3.5 s
    EXPECT_EQ(sink.TimeElapsed(), 4);
}

TEST(SourceFill, FillBufferReturnsThePartialCountAtTheEndOfData) {
    TToneSource tone(44100, 1, 440, 0.5, 1000);
    tone.Init();
    std::vector<uint8_t> buffer(4096);
    bool end = false;
    EXPECT_EQ(tone.FillBuffer(buffer.data(), 4096, end), 1000);
    EXPECT_TRUE(end);
    EXPECT_EQ(tone.FillBuffer(buffer.data(), 0, end), 0);
    EXPECT_TRUE(end);
    TToneSource more(44100, 1, 440, 0.5, 10000);
    more.Init();
    EXPECT_EQ(more.FillBuffer(buffer.data(), 4096, end), 4096);
    EXPECT_FALSE(end);
}

TEST(SourceFill, FillBufferUnprotectedAddsTheTotalToThePosition) {
    TToneSource tone(44100, 1, 440, 0.5, -1);
    tone.Init();
    std::vector<uint8_t> buffer(3000);
    bool end = false;
    EXPECT_EQ(tone.FillBufferUnprotected(nullptr, 3000, end), 0);
    EXPECT_EQ(tone.Position(), 0) << "no buffer, nothing taken";
    EXPECT_EQ(tone.FillBufferUnprotected(buffer.data(), 3000, end), 3000);
    EXPECT_FALSE(end);
    EXPECT_EQ(tone.Position(), 3000) << "the total, counted once";
    EXPECT_EQ(tone.FillBuffer(buffer.data(), 1000, end), 1000);
    EXPECT_EQ(tone.Position(), 4000) << "the locked fill counts as the unprotected one does";
}

TEST(SinkLifetime, DestroyingARunningOrPausedSinkNeitherCrashesNorHangs) {
    for (const bool paused : {false, true}) {
        TToneSource tone;
        const int threadsBefore = ThreadCount();
        {
            TScriptedSink sink;
            sink.SetInput(&tone);
            sink.SetOnDone([](TComponent*) { ADD_FAILURE() << "a destroyed sink is not called back"; });
            sink.Run();
            ASSERT_TRUE(PumpUntil([&] { return sink.BytesPulled > 0; }))
                << "waiting for the sink's first pull";
            if (paused) sink.Pause();
        }
        PumpFor(20);
        EXPECT_EQ(ThreadCount(), threadsBefore);
        EXPECT_EQ(tone.FlushCount, 1);
    }
}

TEST(SinkLifetime, DestroyingTheSourceARunningSinkPullsFromStopsTheRun) {
    TScriptedSink sink;
    auto tone = std::make_unique<TToneSource>();
    sink.SetInput(tone.get());
    sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return sink.BytesPulled > 0; })) << "waiting for the sink's first pull";
    tone.reset();
    EXPECT_EQ(sink.Input(), nullptr);
    EXPECT_EQ(sink.Status(), tosIdle);
    EXPECT_EQ(MessageOf([&] { sink.Run(); }), "Input is not assigned");
}
