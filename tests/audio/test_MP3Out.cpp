// The MP3 sink: what the encoder is told, as read back from the frames it wrote, the tag blocks,
// and writes that fail.

#include "EngineTestKit.h"
#include "MP3Out.h"
#include "Mp3Frames.h"
#include "TestSources.h"

#include <gtest/gtest.h>
#include <taglib/tag_c.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

namespace {

class MP3Sink : public testing::Test {
protected:
    // Encodes `seconds` of a 440 Hz tone in one blocking run and returns the file.
    std::vector<uint8_t> Encode(uint32_t channels, double seconds, const std::string& name = "out.mp3") {
        TToneSource tone(44100, channels, 440, 0.5, static_cast<int64_t>(seconds * 44100) * 2 * channels);
        out.SetInput(&tone);
        out.SetFileName(folder.Path(name));
        out.BlockingRun();
        out.SetInput(nullptr);
        return ReadWholeFile(folder.Path(name));
    }
    // The audio frames, without a leading information frame.
    static std::vector<TMp3Frame> Audio(const std::vector<uint8_t>& file) {
        std::vector<TMp3Frame> frames = Mp3Frames(file);
        if (!frames.empty() && frames.front().infoFrame) frames.erase(frames.begin());
        return frames;
    }
    static std::set<uint32_t> Modes(const std::vector<TMp3Frame>& frames) {
        std::set<uint32_t> modes;
        for (const TMp3Frame& f : frames) modes.insert(f.mode);
        return modes;
    }
    static std::vector<uint8_t> Tail(const std::vector<uint8_t>& file) {
        return {file.end() - std::min<size_t>(128, file.size()), file.end()};
    }

    TTempFolder folder;
    TMP3Out out;
};

// A stream that refuses writes the test picks.
class TRefusingStream : public TMemoryStream {
public:
    std::function<bool(int64_t)> Refuse;
    int64_t Write(const void* Buffer, int64_t Count) override {
        return Refuse && Refuse(Count) ? 0 : TMemoryStream::Write(Buffer, Count);
    }
};

} // namespace

TEST_F(MP3Sink, ChannelModesFollowTheInputAndTheSetting) {
    out.SetMode(mmStereo);
    auto frames = Audio(Encode(1, 0.5));
    EXPECT_EQ(out.Config().nMode, 3) << "mono input is encoded as mono whatever the mode";
    EXPECT_EQ(Modes(frames), std::set<uint32_t>{3});

    out.SetMode(mmDual);
    frames = Audio(Encode(2, 0.5));
    EXPECT_EQ(out.Config().nMode, 0) << "dual channel is sent as stereo";
    EXPECT_EQ(Modes(frames), std::set<uint32_t>{0});

    out.SetMode(mmJointStereo);
    frames = Audio(Encode(2, 0.5));
    EXPECT_EQ(out.Config().nMode, 1);
    EXPECT_EQ(Modes(frames), std::set<uint32_t>{1});

    out.SetMode(mmMono);
    frames = Audio(Encode(2, 0.5));
    EXPECT_EQ(Modes(frames), std::set<uint32_t>{3}) << "stereo input, mono wanted";
}

TEST_F(MP3Sink, ConstantBitRatesReachEveryFrame) {
    for (const auto& [rate, kbps] : {std::pair{mbr96, 96u}, {mbr192, 192u}, {mbr320, 320u}}) {
        out.SetBitRate(rate);
        const std::vector<uint8_t> file = Encode(2, 1.0);
        EXPECT_EQ(out.Config().dwBitrate, kbps);
        const auto frames = Mp3Frames(file);
        ASSERT_GT(frames.size(), 25u); // at 96 kbit/s the encoder resamples to 32 kHz
        EXPECT_FALSE(frames.front().infoFrame) << "no VBR header in constant bit rate";
        for (const TMp3Frame& f : frames) ASSERT_EQ(f.bitrateKbps, kbps) << "frame at " << f.offset;
        if (kbps >= 128) {
            EXPECT_EQ(frames.front().sampleRate, 44100u);
        }
    }
    out.SetBitRate(mbrAuto);
    Encode(1, 0.1);
    EXPECT_EQ(out.Config().dwBitrate, 0u);
}

TEST_F(MP3Sink, HeaderFlagsFollowTheSettings) {
    out.SetCRC(true);
    out.SetOriginal(false);
    out.SetCopyright(true);
    auto frames = Audio(Encode(2, 0.3));
    ASSERT_FALSE(frames.empty());
    EXPECT_TRUE(frames[0].crc);
    EXPECT_FALSE(frames[0].original);
    EXPECT_FALSE(frames[0].copyright) << "the copyright flag is always sent as 0";
    EXPECT_EQ(out.Config().bCopyright, 0);

    out.SetCRC(false);
    out.SetOriginal(true);
    frames = Audio(Encode(2, 0.3));
    EXPECT_FALSE(frames[0].crc);
    EXPECT_TRUE(frames[0].original);
    EXPECT_EQ(out.Config().bNoRes, -1) << "the bit reservoir is off by default";
    EXPECT_EQ(out.Config().bStrictIso, 0);
    out.SetEnableBitReservoir(true);
    out.SetStrictISO(true);
    Encode(2, 0.1);
    EXPECT_EQ(out.Config().bNoRes, 0);
    EXPECT_EQ(out.Config().bStrictIso, -1);
}

TEST_F(MP3Sink, VariableAndAverageBitRates) {
    out.SetEnableVBR(true);
    out.SetVBRQuality(mp3ql2);
    std::vector<uint8_t> file = Encode(2, 2.0);
    EXPECT_EQ(out.Config().nVbrMethod, 2);
    EXPECT_EQ(out.Config().nVBRQuality, 2);
    EXPECT_EQ(out.Config().bWriteVBRHeader, 1);
    auto frames = Mp3Frames(file);
    ASSERT_FALSE(frames.empty());
    EXPECT_TRUE(frames.front().infoFrame) << "the VBR header is written into the first frame";

    out.SetAverageBitrate(mbr128);
    file = Encode(2, 4.0);
    EXPECT_EQ(out.Config().nVbrMethod, 4) << "an average bit rate switches the method";
    EXPECT_EQ(out.Config().dwVbrAbr_bps, 128u);
    frames = Audio(file);
    std::set<uint32_t> rates;
    double sum = 0;
    for (const TMp3Frame& f : frames) {
        rates.insert(f.bitrateKbps);
        sum += f.bitrateKbps;
    }
    std::printf("average bit rate over %zu frames: %.1f kbit/s, %zu distinct rates\n", frames.size(),
                sum / frames.size(), rates.size());
    EXPECT_GT(rates.size(), 1u);
    EXPECT_NEAR(sum / frames.size(), 128, 24);

    out.SetEnableVBR(false);
    Encode(2, 0.1);
    EXPECT_EQ(out.Config().nVBRQuality, 0) << "the quality is sent only with VBR on";
    EXPECT_EQ(out.Config().nVbrMethod, 4);
}

TEST_F(MP3Sink, AnEmptyRecordingHoldsTheEncodersLastBytesAndTheId3v1Block) {
    const std::vector<uint8_t> file = Encode(2, 0);
    ASSERT_GE(file.size(), 128u);
    std::vector<uint8_t> expected(128, 0);
    std::memcpy(expected.data(), "TAG", 3);
    expected[127] = 255;
    EXPECT_EQ(Tail(file), expected) << "empty tags: TAG, 124 zero bytes and the genre byte of no genre";
    EXPECT_NE(std::memcmp(file.data(), "ID3", 3), 0) << "no ID3v2 without ID3v2 texts";

    TagLib_File* tagged = taglib_file_new(folder.Path("out.mp3").c_str());
    ASSERT_NE(tagged, nullptr);
    EXPECT_STREQ(taglib_tag_genre(taglib_file_tag(tagged)), "") << "a tag reader shows no genre";
    taglib_tag_free_strings();
    taglib_file_free(tagged);
}

TEST_F(MP3Sink, Id3v1TextsAreLatin1CutTo30Bytes) {
    out.Id3v1Tags().SetTitle("Évasion nocturne au bord du lac Léman");
    out.Id3v1Tags().SetArtist("Zoë");
    out.Id3v1Tags().SetComment("enregistré");
    out.Id3v1Tags().SetYear(2026);
    out.Id3v1Tags().SetGenreId(17);
    std::vector<uint8_t> block = Tail(Encode(1, 0.2));
    EXPECT_EQ(std::string(block.begin(), block.begin() + 3), "TAG");
    EXPECT_EQ(std::string(block.begin() + 3, block.begin() + 33), "\xC9vasion nocturne au bord du la");
    EXPECT_EQ(std::string(block.begin() + 33, block.begin() + 37), std::string("Zo\xEB\0", 4));
    EXPECT_EQ(std::string(block.begin() + 93, block.begin() + 97), "2026");
    EXPECT_EQ(std::string(block.begin() + 97, block.begin() + 107), "enregistr\xE9");
    EXPECT_EQ(block[127], 255) << "no genre, whatever the tags hold";

    out.Id3v1Tags().SetYear(999);
    block = Tail(Encode(1, 0.2));
    EXPECT_EQ(std::string(block.begin() + 93, block.begin() + 97), std::string(4, '\0')) << "not four digits";
}

TEST_F(MP3Sink, Id3v2TextsAreReadBackByTheTagLibrary) {
    out.Id3v2Tags().SetTitle("Été à Paris 🎵");
    out.Id3v2Tags().SetArtist("Noémie");
    out.Id3v2Tags().SetYear("2026");
    out.Id3v2Tags().SetTrack("seven"); // not a number: skipped
    out.Id3v1Tags().SetTitle("Ete a Paris");
    const std::vector<uint8_t> file = Encode(2, 0.5);
    EXPECT_EQ(std::memcmp(file.data(), "ID3", 3), 0);
    EXPECT_EQ(std::memcmp(Tail(file).data(), "TAG", 3), 0) << "the ID3v1 block stays at the end";

    TagLib_File* tagged = taglib_file_new(folder.Path("out.mp3").c_str());
    ASSERT_NE(tagged, nullptr);
    TagLib_Tag* tag = taglib_file_tag(tagged);
    EXPECT_STREQ(taglib_tag_title(tag), "Été à Paris 🎵");
    EXPECT_STREQ(taglib_tag_artist(tag), "Noémie");
    EXPECT_EQ(taglib_tag_year(tag), 2026u);
    EXPECT_EQ(taglib_tag_track(tag), 0u);
    taglib_tag_free_strings();
    taglib_file_free(tagged);
}

TEST_F(MP3Sink, StartErrors) {
    TToneSource tone(44100, 2, 440, 0.5, 44100);
    out.SetInput(&tone);
    EXPECT_EQ(MessageOf([&] { out.BlockingRun(); }), "File name is not assigned.");
    TToneSource threeChannels(44100, 3, 440, 0.5, 44100);
    out.SetInput(&threeChannels);
    out.SetFileName(folder.Path("three.mp3"));
    EXPECT_EQ(MessageOf([&] { out.BlockingRun(); }).rfind("LAME Error: ", 0), 0u);
    EXPECT_EQ(threeChannels.FlushCount, 1) << "the input is flushed after a failed start";
    out.SetFileName(folder.Path("no/such/folder/x.mp3"));
    out.SetInput(&tone);
    EXPECT_EQ(MessageOf([&] { out.BlockingRun(); }), std::strerror(ENOENT)) << "the folder is missing";
}

TEST_F(MP3Sink, AFullDiskFailsTheRun) {
    TToneSource tone(44100, 2, 440, 0.5, 44100 * 4);
    out.SetInput(&tone);
    out.SetFileName("/dev/full");
    int exceptions = 0, dones = 0;
    out.SetOnThreadException([&](TComponent*) { ++exceptions; });
    out.SetOnDone([&](TComponent*) {
        EXPECT_EQ(exceptions, 1) << "the exception comes before the end";
        ++dones;
    });
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return dones == 1; })) << "waiting for the run on a full disk to end";
    EXPECT_EQ(out.ExceptionMessage(), "Error writing down mp3 file");
    EXPECT_EQ(exceptions, 1);
}

TEST_F(MP3Sink, LosingTheEndOfTheFileIsReported) {
    TToneSource tone(44100, 2, 440, 0.5, 44100 * 4);
    TRefusingStream stream;
    stream.Refuse = [](int64_t count) { return count == 128; }; // the ID3v1 block
    out.SetInput(&tone);
    out.SetStream(&stream);
    int exceptions = 0, dones = 0;
    out.SetOnThreadException([&](TComponent*) { ++exceptions; });
    out.SetOnDone([&](TComponent*) { ++dones; });
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return dones == 1; }))
        << "waiting for the run whose ID3v1 block is refused to end";
    EXPECT_EQ(out.ExceptionMessage(), "Error writing down mp3 file");
    EXPECT_EQ(exceptions, 1);
    EXPECT_EQ(tone.FlushCount, 1);
    EXPECT_GT(stream.Data().size(), 15000u) << "the second of audio itself was written";

    stream.Refuse = nullptr;
    stream.SetSize(0);
    TToneSource again(44100, 2, 440, 0.5, 44100);
    out.SetInput(&again);
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return dones == 2; })) << "waiting for the second run to end";
    EXPECT_EQ(out.ExceptionMessage(), "");
    EXPECT_EQ(exceptions, 1);
}
