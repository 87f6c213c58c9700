#include "AudioProcessor.h"
#include "EngineTestKit.h"
#include "TestSources.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Drain(TAuInput& source) {
    std::vector<uint8_t> all;
    for (;;) {
        void* data = nullptr;
        uint32_t bytes = 5000;
        source.GetData(data, bytes);
        if (bytes == 0) return all;
        const auto* p = static_cast<const uint8_t*>(data);
        all.insert(all.end(), p, p + bytes);
    }
}

} // namespace

TEST(AudioProcessor, WithoutInputEveryOperationRaises) {
    TAudioProcessor processor;
    EXPECT_EQ(MessageOf([&] { processor.BitsPerSample(); }), "Input is not assigned.");
    EXPECT_EQ(MessageOf([&] { processor.SampleRate(); }), "Input is not assigned.");
    EXPECT_EQ(MessageOf([&] { processor.Channels(); }), "Input is not assigned.");
    EXPECT_EQ(MessageOf([&] { processor.TotalTime(); }), "Input is not assigned.");
    EXPECT_EQ(MessageOf([&] { processor.Init(); }), "Input is not assigned.");
    EXPECT_EQ(MessageOf([&] { processor.Flush(); }), "Input is not assigned.");
    void* data = nullptr;
    uint32_t bytes = 100;
    TAudioProcessor fresh; // a failed Init leaves the stream ended, so ask one that never started
    EXPECT_EQ(MessageOf([&] { fresh.GetData(data, bytes); }), "Input is not assigned.");
    EXPECT_EQ(MessageOf([&] { processor.GetData(data, bytes); }), "no exception");
    EXPECT_EQ(bytes, 0u);
}

TEST(AudioProcessor, WithoutCallbacksItIsItsInput) {
    TToneSource tone(22050, 2, 1000, 0.3, 12000);
    TToneSource reference(22050, 2, 1000, 0.3, 12000);
    TAudioProcessor processor;
    processor.SetInput(&tone);
    EXPECT_EQ(processor.BitsPerSample(), 16u);
    EXPECT_EQ(processor.SampleRate(), 22050u);
    EXPECT_EQ(processor.Channels(), 2u);
    processor.Init();
    reference.Init();
    EXPECT_EQ(processor.Size(), 12000);
    EXPECT_EQ(Drain(processor), Drain(reference));
    EXPECT_EQ(processor.Position(), 12000);
    processor.Flush();
    EXPECT_EQ(tone.FlushCount, 1);
}

TEST(AudioProcessor, CallbacksTakeOverFormatSizeAndData) {
    TToneSource tone(44100, 1, 440, 0.5, -1);
    TAudioProcessor processor;
    processor.SetInput(&tone);
    processor.OnGetSampleRate = [](TComponent*, uint32_t& v) { v = 8000; };
    processor.OnGetChannels = [](TComponent*, uint32_t& v) { v = 2; };
    processor.OnGetSize = [](TComponent*, int64_t& v) { v = 10; };
    std::vector<uint8_t> own(64, 7);
    uint32_t asked = 0;
    processor.OnGetData = [&](TComponent* sender, void*& buffer, uint32_t& bytes) {
        EXPECT_EQ(sender, &processor);
        asked = bytes;
        buffer = own.data();
        bytes = 6;
    };
    EXPECT_EQ(processor.SampleRate(), 8000u);
    EXPECT_EQ(processor.Channels(), 2u);
    processor.Init();
    EXPECT_EQ(tone.InitCount, 1);
    EXPECT_EQ(processor.Size(), 10);
    void* data = nullptr;
    uint32_t bytes = 65536;
    processor.GetData(data, bytes);
    EXPECT_EQ(asked, 65536u) << "the request reaches the callback unchanged";
    EXPECT_EQ(bytes, 6u);
    EXPECT_EQ(data, own.data());
}

TEST(AudioProcessor, InitCallbackReplacesStartingTheInput) {
    TToneSource tone;
    TAudioProcessor processor;
    processor.SetInput(&tone);
    int inits = 0, flushes = 0;
    processor.OnInit = [&](TComponent*, int64_t& total) {
        ++inits;
        total = -1;
    };
    processor.OnFlush = [&](TComponent*) { ++flushes; };
    processor.Init();
    EXPECT_EQ(inits, 1);
    EXPECT_EQ(tone.InitCount, 0);
    EXPECT_EQ(processor.Size(), -1);
    EXPECT_TRUE(processor.IsBusy());
    processor.Flush();
    EXPECT_EQ(flushes, 1);
    EXPECT_EQ(tone.FlushCount, 0);
    EXPECT_FALSE(processor.IsBusy());
}

TEST(AudioProcessor, NoDataFromTheCallbackEndsTheStream) {
    TToneSource tone;
    TAudioProcessor processor;
    processor.SetInput(&tone);
    int calls = 0;
    processor.OnGetData = [&](TComponent*, void*& buffer, uint32_t& bytes) {
        ++calls;
        buffer = nullptr;
        bytes = 0;
    };
    processor.Init();
    void* data = nullptr;
    uint32_t bytes = 100;
    processor.GetData(data, bytes);
    bytes = 100;
    processor.GetData(data, bytes);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(calls, 1) << "an ended stream is not asked again";
    processor.Init();
    bytes = 100;
    processor.GetData(data, bytes);
    EXPECT_EQ(calls, 2) << "Init starts it again";
}

TEST(AudioProcessor, FloatBitIsHiddenUnlessRequested) {
    class TFloatTone : public TToneSource {
    protected:
        uint32_t GetBitsPerSample() override { return 32 | 0x80; }
    } tone;
    TAudioProcessor filter;
    filter.SetInput(&tone);
    EXPECT_EQ(filter.BitsPerSample(), 32u | 0x80) << "the processor passes its input's value";
    class TPlainFilter : public TAuConverter {
    protected:
        void DoInit() override {}
        void DoFlush() override {}
        void DoGetData(void*&, uint32_t& bytes) override { bytes = 0; }
    } plain;
    plain.SetInput(&tone);
    EXPECT_EQ(plain.BitsPerSample(), 32u);
    plain.SetRequestFloat(true);
    EXPECT_EQ(plain.BitsPerSample(), 32u | 0x80);
}

TEST(AudioProcessor, FilterIsNeverItsOwnInputAndForgetsADestroyedInput) {
    TAudioProcessor processor;
    processor.SetInput(&processor);
    EXPECT_EQ(processor.Input(), nullptr);
    auto tone = std::make_unique<TToneSource>();
    processor.SetInput(tone.get());
    tone.reset();
    EXPECT_EQ(processor.Input(), nullptr);
}

TEST(AudioProcessor, BusyFilterFlushesTheOldInputAndStartsTheNew) {
    TToneSource first, second;
    TAudioProcessor processor;
    processor.SetInput(&first);
    processor.Init();
    processor.SetInput(&second);
    EXPECT_EQ(first.FlushCount, 1);
    EXPECT_EQ(second.InitCount, 1);
}

TEST(NullSink, WithoutInputRunRaisesBeforeAnyThreadWork) {
    TNULLOut sink;
    EXPECT_EQ(MessageOf([&] { sink.Run(); }), "Input is not assigned");
    EXPECT_EQ(sink.Status(), tosIdle);
}

TEST(NullSink, PullsSixteenKilobytesAtATimeAndEndsWithItsInput) {
    TToneSource tone(44100, 1, 440, 0.5, 100000);
    TAudioProcessor processor;
    processor.SetInput(&tone);
    std::vector<uint32_t> requests;
    processor.OnGetData = [&](TComponent*, void*& buffer, uint32_t& bytes) {
        requests.push_back(bytes);
        tone.GetData(buffer, bytes);
    };
    TNULLOut sink;
    sink.SetInput(&processor);
    int done = 0;
    sink.SetOnDone([&](TComponent*) { ++done; });
    sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return done == 1; })) << "waiting for the run to end at the tone's end";
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), TNULLOut::ChunkBytes);
    EXPECT_EQ(processor.Position(), 100000);
    EXPECT_EQ(tone.FlushCount, 1);
}

TEST(NullSink, StoppedWhilePausedEndsWithoutPullingAnotherChunk) {
    TToneSource tone;
    TAudioProcessor processor;
    processor.SetInput(&tone);
    std::atomic<int> pulls{0};
    processor.OnGetData = [&](TComponent*, void*& buffer, uint32_t& bytes) {
        ++pulls;
        tone.GetData(buffer, bytes);
    };
    TNULLOut sink;
    sink.SetInput(&processor);
    sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return pulls > 2; })) << "waiting for the sink to pull three chunks";
    sink.Pause();
    ASSERT_EQ(sink.Status(), tosPaused);
    EXPECT_EQ(tone.PauseCount, 1) << "the pause reaches the source through the filter";
    const int held = pulls;
    sink.Stop(false);
    EXPECT_EQ(pulls, held);
    EXPECT_EQ(sink.Status(), tosIdle);
}

TEST(NullSink, BlockingRunRunsAWholeRunInTheCallingThreadWithoutEvents) {
    TToneSource tone(44100, 1, 440, 0.5, 50000);
    TNULLOut sink;
    sink.SetInput(&tone);
    int done = 0;
    sink.SetOnDone([&](TComponent*) { ++done; });
    sink.BlockingRun();
    EXPECT_EQ(tone.Position(), 50000);
    EXPECT_EQ(sink.Status(), tosIdle);
    PumpFor(50);
    EXPECT_EQ(done, 0);
}

TEST(NullSink, FilterWhoseInputIsDestroyedMidRunEndsTheRunWithAMessage) {
    auto tone = std::make_unique<TToneSource>();
    TAudioProcessor processor;
    processor.SetInput(tone.get());
    TNULLOut sink;
    sink.SetInput(&processor);
    int done = 0;
    sink.SetOnDone([&](TComponent*) { ++done; });
    sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return tone->Position() > 0; }))
        << "waiting for the filter to pull from the tone";
    tone.reset();
    ASSERT_TRUE(PumpUntil([&] { return done == 1; })) << "waiting for the run to end after its input went";
    EXPECT_EQ(sink.ExceptionMessage(), "Input is not assigned.");
}
