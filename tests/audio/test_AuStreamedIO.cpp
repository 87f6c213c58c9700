#include "AudioProcessor.h"
#include "EngineTestKit.h"
#include "TestSources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// 16-bit mono samples 0, 1, 2, ... as bytes, so every byte says where it came from.
std::vector<uint8_t> Ramp(int samples) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < samples; ++i) {
        bytes.push_back(static_cast<uint8_t>(i & 0xFF));
        bytes.push_back(static_cast<uint8_t>(i >> 8));
    }
    return bytes;
}

std::vector<int16_t> Pull(TAuInput& source, uint32_t bytesWanted) {
    std::vector<uint8_t> buffer(bytesWanted);
    bool end = false;
    const int32_t n = source.FillBuffer(buffer.data(), static_cast<int32_t>(bytesWanted), end);
    buffer.resize(static_cast<size_t>(n));
    return AsSamples(buffer);
}

std::string TempPath(const char* name) {
    return std::string("/tmp/sarvo-io-") + std::to_string(getpid()) + name;
}

} // namespace

TEST(StreamedInput, LoopRestartsFromTheStartSampleInsteadOfEnding) {
    TMemoryStream stream(Ramp(100));
    TRawPcmIn source(8000, 1);
    source.SetStream(&stream);
    source.SetLoop(true);
    ASSERT_TRUE(source.Seek(90)); // idle: the next run starts at sample 90
    source.Init();
    const std::vector<int16_t> got = Pull(source, 2 * 25);
    ASSERT_EQ(got.size(), 25u);
    EXPECT_EQ(got[0], 90);
    EXPECT_EQ(got[9], 99);
    EXPECT_EQ(got[10], 90) << "looped back to the start sample";
}

TEST(StreamedInput, WithoutLoopTheRunEndsAtTheEndOfTheData) {
    TMemoryStream stream(Ramp(100));
    TRawPcmIn source(8000, 1);
    source.SetStream(&stream);
    source.Init();
    EXPECT_EQ(Pull(source, 1000).size(), 100u);
    EXPECT_EQ(source.Position(), 200);
    EXPECT_TRUE(Pull(source, 10).empty());
}

TEST(StreamedInput, WindowOfStartAndEndSamples) {
    TMemoryStream stream(Ramp(8000 * 3));
    TRawPcmIn source(8000, 1);
    source.SetStream(&stream);
    ASSERT_TRUE(source.SetStartTime(0, 1));
    ASSERT_TRUE(source.SetEndTime(0, 2));
    EXPECT_FALSE(source.SetEndTime(0, 4)) << "beyond the file";
    source.Init();
    EXPECT_EQ(source.Size(), (8000 + 1) * 2);
    const std::vector<int16_t> got = Pull(source, 100000);
    ASSERT_EQ(got.size(), 8001u);
    EXPECT_EQ(got.front(), 8000);
    EXPECT_EQ(static_cast<uint16_t>(got.back()), 16000);
    source.Flush();
    source.Init();
    EXPECT_EQ(source.Size(), 8000 * 3 * 2) << "the window lasts one run";
}

TEST(StreamedInput, SeekBeyondTheEndReturnsFalseAndChangesNothing) {
    TMemoryStream stream(Ramp(1000));
    TRawPcmIn source(8000, 1);
    source.SetStream(&stream);
    source.Init();
    Pull(source, 200);
    EXPECT_FALSE(source.Seek(1001));
    EXPECT_EQ(source.Position(), 200);
    EXPECT_EQ(Pull(source, 2)[0], 100);
    ASSERT_TRUE(source.Seek(500));
    EXPECT_EQ(source.Position(), 1000);
    EXPECT_EQ(Pull(source, 2)[0], 500);
}

TEST(StreamedInput, JumpIsClampedToTheStartAndTheEnd) {
    TMemoryStream stream(Ramp(1000));
    TRawPcmIn source(8000, 1);
    source.SetStream(&stream);
    source.Init();
    Pull(source, 1000);
    source._Jump(-5000);
    EXPECT_EQ(source.Position(), 0);
    EXPECT_EQ(Pull(source, 2)[0], 0);
    source._Jump(250); // from sample 1 of 1000, a quarter further on
    EXPECT_EQ(Pull(source, 2)[0], 251);
    source._Jump(5000);
    EXPECT_EQ(source.Position(), 2000);
    EXPECT_TRUE(Pull(source, 2).empty());
}

TEST(FileInput, WithoutNameOrStreamItIsNotValidAndCannotStart) {
    TRawPcmIn source(8000, 1);
    EXPECT_FALSE(source.Valid());
    EXPECT_EQ(MessageOf([&] { source.Init(); }), "The file name is not assigned");
}

TEST(FileInput, ABusySourceCannotStartAgain) {
    TMemoryStream stream(Ramp(10));
    TRawPcmIn source(8000, 1);
    source.SetStream(&stream);
    source.Init();
    EXPECT_EQ(MessageOf([&] { source.Init(); }), "The component is Busy");
}

TEST(FileInput, NamedFileOpensReportsItsFormatAndClosesWhenTheNameIsCleared) {
    const std::string path = TempPath("-ramp.raw");
    {
        const std::vector<uint8_t> bytes = Ramp(16000);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 32000);
    }
    TRawPcmIn source(8000, 1);
    source.SetFileName(path);
    EXPECT_EQ(source.WideFileName(), path);
    EXPECT_TRUE(source.Valid());
    EXPECT_EQ(source.SampleRate(), 8000u);
    EXPECT_EQ(source.TotalTime(), 2u);
    EXPECT_EQ(source.TotalSamples(), 16000);
    EXPECT_EQ(source.OpenCount(), 1) << "opened once, kept open";
    source.SetFileName("");
    EXPECT_FALSE(source.Valid());
    source.SetFileName(path);
    EXPECT_TRUE(source.Valid());
    EXPECT_EQ(source.OpenCount(), 2) << "a new name opens the file again";
    source.SetWideFileName(path);
    EXPECT_EQ(source.FileName(), "");
    unlink(path.c_str());
}

TEST(FileInput, MissingFileIsNotValidAndItsRunFailsWithTheSystemText) {
    TRawPcmIn source(8000, 1);
    source.SetFileName(TempPath("-missing.raw"));
    EXPECT_FALSE(source.Valid());
    TNULLOut sink;
    sink.SetInput(&source);
    int done = 0;
    sink.SetOnDone([&](TComponent*) { ++done; });
    sink.Run();
    ASSERT_TRUE(PumpUntil([&] { return done == 1; })) << "waiting for the run over a missing file to end";
    EXPECT_EQ(sink.ExceptionMessage(), "No such file or directory");
    void* data = nullptr;
    uint32_t bytes = 100;
    source.GetData(data, bytes);
    EXPECT_EQ(bytes, 0u) << "a source whose start failed gives no data";
}

TEST(FileInput, EmptyFileIsAnEmptyRunIn8000HzMono8Bit) {
    TMemoryStream empty;
    TRawPcmIn source(44100, 2);
    source.SetStream(&empty);
    EXPECT_FALSE(source.Valid());
    source.Init();
    EXPECT_EQ(source.Size(), 0);
    EXPECT_EQ(source.SampleRate(), 8000u);
    EXPECT_EQ(source.BitsPerSample(), 8u);
    EXPECT_EQ(source.Channels(), 1u);
}

TEST(FileStream, CreateModeTruncatesAndOpenModeNeedsAnExistingFile) {
    const std::string path = TempPath("-stream.bin");
    std::ofstream(path) << "old content that is long";
    {
        TAuFileStream stream(path, fmCreate);
        EXPECT_EQ(stream.Size(), 0);
        EXPECT_EQ(stream.Write("new", 3), 3);
    }
    {
        TAuFileStream stream(path, fmOpenRead | fmShareDenyNone);
        char text[8] = {};
        EXPECT_EQ(stream.Read(text, 8), 3);
        EXPECT_STREQ(text, "new");
        EXPECT_EQ(stream.Write("x", 1), 0) << "opened for reading only";
    }
    unlink(path.c_str());
    EXPECT_EQ(MessageOf([&] { TAuFileStream(path, fmOpenReadWrite); }), "No such file or directory");
    EXPECT_EQ(MessageOf([&] { TAuFileStream("/proc/no-such-dir/file", fmCreate); }),
              "No such file or directory");
}

TEST(FileStream, OnlyRegularFilesOpenAndNothingWaitsForAWriter) {
    TTempFolder folder;
    std::ofstream(folder.Path("real.bin")) << "data";
    symlink(folder.Path("real.bin").c_str(), folder.Path("link.bin").c_str());
    TSpecialFiles special(folder.Path(""));
    for (const std::string& path : special.Paths()) {
        const bool dangling = path.ends_with("dangling.mp3");
        for (const uint16_t mode : {fmOpenRead, fmOpenWrite, fmOpenReadWrite})
            EXPECT_EQ(MessageOf([&] { TAuFileStream(path, mode); }),
                      dangling ? "No such file or directory" : "Not a regular file")
                << path << " mode " << mode;
    }
    EXPECT_FALSE(special.DeadlinePassed()) << "an open waited on the FIFO";
    TAuFileStream linked(folder.Path("link.bin"), fmOpenRead);
    EXPECT_EQ(linked.Size(), 4) << "a link to a regular file opens";
}

TEST(FileSink, FileModeIsAlwaysRewriteAndNamesPair) {
    class TPlainFileOut : public TAuTaggedFileOut {
    public:
        ~TPlainFileOut() override { ShutdownThread(); }

    protected:
        void DoPrepare() override {}
        bool DoChunk(bool) override { return false; }
        void DoFinish() override {}
    } sink;
    sink.SetFileMode(foAppend);
    EXPECT_EQ(sink.FileMode(), foRewrite);
    sink.SetFileName("a.mp3");
    EXPECT_EQ(sink.WideFileName(), "a.mp3");
    sink.SetWideFileName("b.mp3");
    EXPECT_EQ(sink.FileName(), "");
    TMemoryStream stream;
    sink.SetStream(&stream);
    EXPECT_EQ(sink.Stream(), &stream);
}

TEST(MemoryStream, ReadsWritesSeeksAndResizes) {
    TMemoryStream stream;
    EXPECT_EQ(stream.Write("abcdef", 6), 6);
    EXPECT_EQ(stream.Size(), 6);
    stream.SetPosition(2);
    char two[3] = {};
    EXPECT_EQ(stream.Read(two, 2), 2);
    EXPECT_STREQ(two, "cd");
    EXPECT_EQ(stream.Seek(-1, soEnd), 5);
    stream.SetSize(3);
    EXPECT_EQ(stream.Position(), 3);
    EXPECT_EQ(stream.Read(two, 2), 0);
}
