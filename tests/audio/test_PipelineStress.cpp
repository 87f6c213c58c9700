// Random Run / Stop / Pause / Resume calls on a null sink, with the main thread running its queued
// calls: no deadlock, OnDone exactly once per asynchronously ended run, no thread left behind.
// Once over an endless tone, once over a capture whose input stalls, delivers in bursts and
// comes back at random.

#include "AudioProcessor.h"
#include "DXAudioIn.h"
#include "EngineTestKit.h"
#include "FakeAudioPlatform.h"
#include "TestSources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>

namespace {

using TDisturbance = std::function<void(std::mt19937& random)>;

struct TStressCount {
    int runs = 0;
    int expectedDone = 0; // runs ended asynchronously: each owes exactly one OnDone
    int delivered = 0;
};

// 10,000 random transport calls on a sink over input; disturb may upset the input between calls.
void RandomTransportCalls(TAuInput& input, const TDisturbance& disturb, TStressCount& count) {
    TAudioProcessor processor;
    processor.SetInput(&input);
    auto sink = std::make_unique<TNULLOut>();
    sink->SetInput(&processor);
    sink->SetOnDone([&](TComponent*) { ++count.delivered; });

    std::mt19937 random(20261208);
    bool asyncPending = false; // the current run was asked to end asynchronously
    for (int i = 0; i < 10000; ++i) {
        const bool busy = sink->Status() != tosIdle;
        if (!busy) asyncPending = false;
        switch (random() % 5) {
        case 0:
            if (!busy) {
                sink->Run();
                ++count.runs;
            }
            break;
        case 1:
            if (busy && !asyncPending) {
                ++count.expectedDone;
                asyncPending = true;
            }
            sink->Stop(true);
            break;
        case 2:
            // The run ends by this stop only when no asynchronous stop is on its way.
            if (asyncPending) {
                ASSERT_TRUE(PumpUntil([&] { return sink->Status() == tosIdle; }))
                    << "waiting for an asynchronously stopped run to end";
            }
            sink->Stop(false);
            ASSERT_EQ(sink->Status(), tosIdle);
            asyncPending = false;
            break;
        case 3:
            sink->Pause();
            break;
        case 4:
            sink->Resume();
            break;
        }
        if (disturb) disturb(random);
        if (random() % 4 == 0) CheckSynchronize();
    }
    if (sink->Status() != tosIdle && !asyncPending) ++count.expectedDone;
    sink->Stop(true);
    ASSERT_TRUE(PumpUntil([&] { return count.delivered == count.expectedDone; }, 10000))
        << count.delivered << " of " << count.expectedDone << " OnDone delivered";
    PumpFor(200);
    EXPECT_EQ(count.delivered, count.expectedDone) << "no OnDone twice, none for synchronous stops";
}

class PipelineStress : public testing::Test {
protected:
    void SetUp() override {
        // A first sink made and destroyed, so that threads a runtime starts once (the thread
        // sanitizer's own) are already there when counting.
        std::make_unique<TNULLOut>().reset();
        threadsBefore = ThreadCount();
        start = std::chrono::steady_clock::now();
    }
    void Report(const char* what) const {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("stress over %s: %d runs, %d asynchronous ends, %.1f s\n", what, count.runs,
                    count.expectedDone, seconds);
        EXPECT_GT(count.runs, 500);
        EXPECT_EQ(ThreadCount(), threadsBefore) << "worker and event threads end with the last sink";
    }

    int threadsBefore = 0;
    std::chrono::steady_clock::time_point start;
    TStressCount count;
};

} // namespace

TEST_F(PipelineStress, TenThousandRandomTransportCallsKeepTheProtocol) {
    {
        TToneSource tone;
        RandomTransportCalls(tone, nullptr, count);
    }
    Report("an endless tone");
}

TEST_F(PipelineStress, TenThousandRandomTransportCallsOverAStallingInputKeepTheProtocol) {
    {
        auto capture = std::make_shared<TFakeCapture>();
        TDXAudioIn in(nullptr, capture);
        in.SetInSampleRate(44100);
        in.SetInBitsPerSample(16);
        in.SetInChannels(1);
        in.SetDeviceNumber(0);
        // No run may end by itself here: only the calls end runs, so every OnDone is accounted for.
        in.SetStallTimeout(600000);
        RandomTransportCalls(
            in,
            [&capture](std::mt19937& random) {
                switch (random() % 16) {
                case 0:
                    capture->Stall();
                    break;
                case 1:
                    capture->Live();
                    break;
                case 2:
                    capture->Burst(random() % 300);
                    break;
                default:
                    break;
                }
            },
            count);
    }
    Report("a stalling input");
}
