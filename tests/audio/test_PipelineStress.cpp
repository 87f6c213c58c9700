// Random Run / Stop / Pause / Resume calls on a null sink over an endless source, with the main
// thread running its queued calls: no deadlock, OnDone exactly once per asynchronously ended run,
// no thread left behind.

#include "AudioProcessor.h"
#include "EngineTestKit.h"
#include "TestSources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>

TEST(PipelineStress, TenThousandRandomTransportCallsKeepTheProtocol) {
    // A first sink made and destroyed, so that threads a runtime starts once (the thread
    // sanitizer's own) are already there when counting.
    std::make_unique<TNULLOut>().reset();
    const int threadsBefore = ThreadCount();
    const auto start = std::chrono::steady_clock::now();
    int expectedDone = 0;
    int delivered = 0;
    int runs = 0;
    {
        TToneSource tone;
        TAudioProcessor processor;
        processor.SetInput(&tone);
        auto sink = std::make_unique<TNULLOut>();
        sink->SetInput(&processor);
        sink->SetOnDone([&](TComponent*) { ++delivered; });

        std::mt19937 random(20261208);
        bool asyncPending = false; // the current run was asked to end asynchronously
        for (int i = 0; i < 10000; ++i) {
            const bool busy = sink->Status() != tosIdle;
            if (!busy) asyncPending = false;
            switch (random() % 5) {
            case 0:
                if (!busy) {
                    sink->Run();
                    ++runs;
                }
                break;
            case 1:
                if (busy && !asyncPending) {
                    ++expectedDone;
                    asyncPending = true;
                }
                sink->Stop(true);
                break;
            case 2:
                // The run ends by this stop only when no asynchronous stop is on its way.
                if (asyncPending) {
                    ASSERT_TRUE(PumpUntil([&] { return sink->Status() == tosIdle; }));
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
            if (random() % 4 == 0) CheckSynchronize();
        }
        if (sink->Status() != tosIdle && !asyncPending) ++expectedDone;
        sink->Stop(true);
        ASSERT_TRUE(PumpUntil([&] { return delivered == expectedDone; }, 10000))
            << delivered << " of " << expectedDone << " OnDone delivered";
        PumpFor(200);
        EXPECT_EQ(delivered, expectedDone) << "no OnDone twice, none for synchronous stops";
        sink.reset();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("stress: %d runs, %d asynchronous ends, %.1f s\n", runs, expectedDone, seconds);
    EXPECT_GT(runs, 500);
    EXPECT_LT(seconds, 60.0);
    EXPECT_EQ(ThreadCount(), threadsBefore) << "worker and event threads end with the last sink";
}
