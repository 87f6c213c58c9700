// The MP3 source: validity, format and length from the headers, and what decoding gives.

#include "EngineTestKit.h"
#include "MP3In.h"
#include "MP3Out.h"
#include "TestSources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

constexpr int64_t Frame = 1152;

class MP3Source : public testing::Test {
protected:
    std::string EncodeTone(const std::string& name, uint32_t channels, double seconds, bool vbr = false) {
        TToneSource tone(44100, channels, 440, 0.5, static_cast<int64_t>(seconds * 44100) * 2 * channels);
        TMP3Out out;
        out.SetEnableVBR(vbr);
        out.SetInput(&tone);
        out.SetFileName(folder.Path(name));
        out.BlockingRun();
        return folder.Path(name);
    }
    TTempFolder folder;
};

} // namespace

TEST_F(MP3Source, ATenSecondFileWithAnInfoFrameHasTheExactSize) {
    const std::string pcm = folder.Path("ten.raw"), mp3 = folder.Path("ten.mp3");
    Shell("sox -n -r 44100 -c 2 -b 16 -e signed -t raw " + pcm + " synth 10.0 sine 440 vol 0.5");
    Shell("lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -b 128 " + pcm + " " + mp3);
    ASSERT_TRUE(std::filesystem::exists(mp3)) << "the lame and sox tools are needed";
    TMP3In in;
    in.SetFileName(mp3);
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.SampleRate(), 44100u);
    EXPECT_EQ(in.Channels(), 2u);
    EXPECT_EQ(in.BitsPerSample(), 16u);
    EXPECT_EQ(in.Size(), (10 * 44100 + 44100 / 3) * 4);
    EXPECT_EQ(in.TotalTime(), 10u);
    EXPECT_EQ(in.Duration(), 1000u);
    const std::vector<int16_t> decoded = AsSamples(DecodeAll(in));
    EXPECT_EQ(decoded.size(), 441000u * 2) << "the Info frame's encoder delay and padding are taken off";
    EXPECT_EQ(StrongestFrequency(Channel(decoded, 2, 0), 44100, 300, 600), 440.0);
}

TEST_F(MP3Source, OwnRecordingsDecodeToTheirToneAndLength) {
    for (const bool vbr : {false, true}) {
        const std::string file = EncodeTone(vbr ? "vbr.mp3" : "cbr.mp3", 1, 3.0, vbr);
        TMP3In in;
        in.SetFileName(file);
        ASSERT_TRUE(in.Valid());
        EXPECT_EQ(in.IsVBR(), vbr);
        const std::vector<int16_t> decoded = AsSamples(DecodeAll(in));
        const int64_t headerSamples = std::llround(in.Duration() / 100.0 * 44100);
        std::printf("%s: %zu samples decoded of 132300 encoded; the headers say %lld\n", vbr ? "VBR" : "CBR",
                    decoded.size(), static_cast<long long>(headerSamples));
        EXPECT_NEAR(static_cast<double>(headerSamples), static_cast<double>(decoded.size()), Frame)
            << "the length from the headers is the decoded length within one frame";
        // Without gapless information the decoder also gives the encoder's delay and padding.
        EXPECT_GE(static_cast<int64_t>(decoded.size()), 132300 - Frame);
        EXPECT_LE(static_cast<int64_t>(decoded.size()), 132300 + 2 * Frame);
        EXPECT_EQ(StrongestFrequency(decoded, 44100, 300, 600), 440.0);
        EXPECT_EQ(in.TotalTime(), 3u);
    }
}

TEST_F(MP3Source, WhatIsNotAudioIsNotValidAndIsClosedAgain) {
    const std::string text = folder.Path("notes.mp3"), empty = folder.Path("empty.mp3");
    std::ofstream(text) << "These are my notes, not a recording.\n";
    std::ofstream{empty};
    const int before = OpenDescriptors();
    for (const std::string& name : {text, empty, folder.Path("missing.mp3")}) {
        TMP3In in;
        in.SetFileName(name);
        EXPECT_FALSE(in.Valid()) << name;
        EXPECT_EQ(OpenDescriptors(), before) << name << " is closed again";
        EXPECT_EQ(in.Size(), 0);
    }
}

TEST_F(MP3Source, OnlyRegularFilesAreReadAndNothingWaitsForAWriter) {
    const std::string recording = EncodeTone("real.mp3", 1, 1);
    symlink(recording.c_str(), folder.Path("link.mp3").c_str());
    TSpecialFiles special(folder.Path(""));
    const int before = OpenDescriptors();
    for (const std::string& name : special.Paths()) {
        TMP3In in;
        in.SetFileName(name);
        EXPECT_FALSE(in.Valid()) << name;
        EXPECT_EQ(OpenDescriptors(), before) << name << " was left open";
    }
    EXPECT_FALSE(special.DeadlinePassed()) << "an open waited on the FIFO";
    TMP3In linked;
    linked.SetFileName(folder.Path("link.mp3"));
    EXPECT_TRUE(linked.Valid()) << "a link to a recording reads as the recording";
    EXPECT_NEAR(linked.Duration(), 100, 10) << "hundredths of a second";
}

TEST_F(MP3Source, ClearingTheFileNameClosesTheFile) {
    const std::string file = EncodeTone("held.mp3", 2, 0.5);
    const int before = OpenDescriptors();
    TMP3In in;
    in.SetFileName(file);
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(OpenDescriptors(), before + 1);
    in.SetFileName("");
    EXPECT_EQ(OpenDescriptors(), before);
    std::error_code ignored;
    EXPECT_TRUE(std::filesystem::remove(file, ignored)) << "nothing holds the file any more";
}

TEST_F(MP3Source, ARunStartsWhereTheSourceWasSought) {
    const std::string file = EncodeTone("seek.mp3", 1, 3.0);
    TMP3In whole;
    whole.SetFileName(file);
    const size_t all = DecodeAll(whole).size() / 2;
    TMP3In in;
    in.SetFileName(file);
    ASSERT_TRUE(in.Seek(44100));
    const size_t rest = DecodeAll(in).size() / 2;
    EXPECT_NEAR(static_cast<double>(rest), static_cast<double>(all - 44100), Frame);
}

TEST_F(MP3Source, ALongConstantBitRateRecordingKeepsItsLengthExact) {
    // A guess from the file size overstates by about 0.23%: 138 ms, five frames, on one minute.
    const std::string file = EncodeTone("minute.mp3", 1, 60.0);
    TMP3In in;
    in.SetFileName(file);
    ASSERT_TRUE(in.Valid());
    const int64_t headerSamples = std::llround(in.Duration() / 100.0 * 44100);
    const size_t decoded = DecodeAll(in).size() / 2;
    EXPECT_NEAR(static_cast<double>(headerSamples), static_cast<double>(decoded), Frame);
    EXPECT_EQ(in.TotalTime(), 60u);
}
