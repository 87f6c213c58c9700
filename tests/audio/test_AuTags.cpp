#include "AuTags.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A scratch file holding the given bytes, opened read-write.
class ScratchFile {
public:
    explicit ScratchFile(const std::vector<uint8_t>& bytes = {}) {
        char name[] = "/tmp/sarvo-tags-XXXXXX";
        fd_ = mkstemp(name);
        path_ = name;
        if (!bytes.empty()) (void)!write(fd_, bytes.data(), bytes.size());
    }
    ~ScratchFile() {
        close(fd_);
        unlink(path_.c_str());
    }
    int fd() const { return fd_; }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out(static_cast<size_t>(lseek(fd_, 0, SEEK_END)));
        (void)!pread(fd_, out.data(), out.size(), 0);
        return out;
    }

private:
    int fd_;
    std::string path_;
};

std::vector<uint8_t> Audio(size_t n) {
    std::vector<uint8_t> audio(n);
    for (size_t i = 0; i < n; ++i) audio[i] = static_cast<uint8_t>(i * 7 + 1);
    return audio;
}

} // namespace

TEST(TagStore, OnlyRegisteredIdsTakeValuesAndLookupsIgnoreCase) {
    TId3v2Tags tags;
    tags.SetValue("XXXX", TWideString{"nope"});
    EXPECT_TRUE(tags.Empty());
    EXPECT_FALSE(tags.Changed());
    EXPECT_EQ(tags.IdCount(), 24);
    tags.SetValue("tit2", TWideString{"Morning"});
    EXPECT_EQ(tags.GetAsString("TIT2"), "Morning");
    EXPECT_EQ(tags.Title(), "Morning");
    EXPECT_FALSE(tags.Empty());
    EXPECT_TRUE(tags.Changed());
    EXPECT_EQ(tags.GetId(-1), "");
    EXPECT_EQ(tags.GetId(24), "");
}

TEST(TagStore, SettingTheStoredValueAgainChangesNothing) {
    TId3v1Tags tags;
    tags.SetValue("genre", int64_t{12});
    EXPECT_TRUE(tags.Empty());
    EXPECT_FALSE(tags.Changed());
}

TEST(TagStore, ValuesConvertBetweenNumbersAndTexts) {
    TId3v1Tags tags;
    tags.SetValue("year", TNarrowString{"1999"});
    EXPECT_EQ(tags.GetAsInteger("year"), 1999);
    tags.SetValue("year", TNarrowString{"19x9"});
    EXPECT_EQ(tags.GetAsInteger("year"), 0);
    tags.SetValue("track", int64_t{7});
    EXPECT_EQ(tags.GetAsString("track"), "7");
    EXPECT_EQ(tags.GetAsWideString("track"), "7");
    EXPECT_EQ(tags.GetAsInteger("unknown"), 0);
    EXPECT_EQ(tags.GetAsString("title"), "");
}

TEST(TagStore, GenreReadsByIndexAndIsWrittenByNameIgnoringCaseAndBlanks) {
    TId3v1Tags tags;
    EXPECT_EQ(tags.GenreId(), 12);
    EXPECT_EQ(tags.Genre(), "Other");
    tags.SetGenre("  jAzZ ");
    EXPECT_EQ(tags.GenreId(), 8);
    tags.SetGenre("no such genre");
    EXPECT_EQ(tags.GenreId(), 8);
    tags.SetGenre(" oTHer ");
    EXPECT_EQ(tags.GenreId(), 12);
    tags.SetGenreId(200);
    EXPECT_EQ(tags.GenreId(), 12) << "148 or more reads as Other";
    tags.Clear();
    EXPECT_EQ(tags.GenreId(), 0);
    EXPECT_EQ(tags.Genre(), "Blues");
    EXPECT_EQ(Id3v1Genres.size(), 148u);
    EXPECT_STREQ(Id3v1Genres[147], "Synthpop");
}

TEST(TagStore, AssignCopiesTheIdsTheTargetKnows) {
    TAPEv2Tags ape;
    ape.SetTitle("Song");
    ape.SetArtist("Band");
    ape.SetISBN("123");
    TCommonTags common;
    common.SetGenre("Rock");
    common.Assign(ape);
    EXPECT_EQ(common.Title(), "Song");
    EXPECT_EQ(common.Artist(), "Band");
    EXPECT_EQ(common.Genre(), "") << "cleared first";
    TId3v1Tags v1;
    v1.SetTitle("x");
    TId3v1Tags copy;
    v1.AssignTo(copy);
    EXPECT_EQ(copy.Title(), "x");
    EXPECT_EQ(copy.GenreId(), 12);
}

TEST(Id3v1Block, WrittenBlockReadsBackWithLatin1TextsAndTheTrackRule) {
    ScratchFile file(Audio(1000));
    TId3v1Tags tags;
    tags.SetTitle("Café au lait, a title well beyond thirty bytes");
    tags.SetArtist("Zoë");
    tags.SetYear(2026);
    tags.SetTrack(5);
    tags.SetComment("A comment of more than twenty-eight bytes");
    tags.SetGenre("Jazz");
    EXPECT_FALSE(tags.Presents(file.fd()));
    ASSERT_TRUE(tags.WriteToFile(file.fd(), false));
    const std::vector<uint8_t> bytes = file.Bytes();
    ASSERT_EQ(bytes.size(), 1128u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1000), Audio(1000));
    EXPECT_EQ(bytes[1000 + 3 + 3], 0xE9) << "é in Latin-1";
    EXPECT_EQ(bytes[1000 + 125], 0);
    EXPECT_EQ(bytes[1000 + 126], 5);

    TId3v1Tags read;
    ASSERT_TRUE(read.Presents(file.fd()));
    ASSERT_TRUE(read.ReadFromFile(file.fd()));
    EXPECT_EQ(read.Title(), "Café au lait, a title well bey") << "30 Latin-1 bytes";
    EXPECT_EQ(read.Artist(), "Zoë");
    EXPECT_EQ(read.Year(), 2026);
    EXPECT_EQ(read.Track(), 5);
    EXPECT_EQ(read.Comment(), "A comment of more than twent");
    EXPECT_EQ(read.Genre(), "Jazz");
}

TEST(Id3v1Block, WithoutTrackTheCommentHasThirtyBytes) {
    ScratchFile file;
    TId3v1Tags tags;
    tags.SetComment("123456789012345678901234567890XYZ");
    ASSERT_TRUE(tags.WriteToFile(file.fd(), false));
    TId3v1Tags read;
    ASSERT_TRUE(read.ReadFromFile(file.fd()));
    EXPECT_EQ(read.Comment(), "123456789012345678901234567890");
    EXPECT_EQ(read.Track(), 0);
}

TEST(Id3v1Block, ShortOrUnmarkedFilesHaveNoBlock) {
    ScratchFile tiny(Audio(100));
    TId3v1Tags tags;
    EXPECT_FALSE(tags.Presents(tiny.fd()));
    EXPECT_FALSE(tags.ReadFromFile(tiny.fd()));
    EXPECT_TRUE(tags.Empty());
    EXPECT_FALSE(tags.Presents(-1));
}

TEST(Id3v2Block, WrittenTagReadsBackAndIsPaddedToSixteenBytes) {
    for (const bool unicode : {true, false}) {
        ScratchFile file(Audio(5000));
        TId3v2Tags tags;
        tags.SetTitle("Été à Paris");
        tags.SetArtist("Ensemble");
        tags.SetYear("2026");
        tags.SetTrack("3");
        tags.SetComment("not written");
        tags.SetLink("https://www.velmarosk.example/");
        ASSERT_TRUE(tags.WriteToFile(file.fd(), unicode));
        const std::vector<uint8_t> bytes = file.Bytes();
        const std::vector<uint8_t> block = tags.Block(unicode);
        ASSERT_EQ(bytes.size(), 5000 + block.size());
        EXPECT_EQ(block.size() % 16, 0u);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(block.size())),
                  block);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + static_cast<long>(block.size()), bytes.end()),
                  Audio(5000));
        EXPECT_EQ(std::memcmp(bytes.data(), "ID3\x04\x00\x00", 6), 0);

        TId3v2Tags read;
        ASSERT_TRUE(read.Presents(file.fd()));
        ASSERT_TRUE(read.ReadFromFile(file.fd()));
        EXPECT_TRUE(read.FNew);
        EXPECT_EQ(read.Title(), "Été à Paris");
        EXPECT_EQ(read.Artist(), "Ensemble");
        EXPECT_EQ(read.Year(), "2026");
        EXPECT_EQ(read.Track(), "3");
        EXPECT_EQ(read.Comment(), "");
        EXPECT_EQ(read.Link(), "https://www.velmarosk.example/");
    }
}

TEST(Id3v2Block, PaddingIsOneToSixteenBytes) {
    TId3v2Tags tags;
    // Header 10 + frame (10 + 1 + text): a 5-letter title makes 26, padded by 6 to 32.
    tags.SetTitle("abcde");
    EXPECT_EQ(tags.Block(false).size(), 32u);
    // An 11-letter title makes exactly 32; the padding is then a whole 16 bytes.
    tags.SetTitle("abcdefghijk");
    EXPECT_EQ(tags.Block(false).size(), 48u);
}

TEST(Id3v2Block, WritingReplacesATagAlreadyThere) {
    ScratchFile file(Audio(3000));
    TId3v2Tags first;
    first.SetTitle("A much longer first title to make the old tag bigger than the new one");
    ASSERT_TRUE(first.WriteToFile(file.fd(), true));
    TId3v2Tags second;
    second.SetTitle("Short");
    ASSERT_TRUE(second.WriteToFile(file.fd(), true));
    const std::vector<uint8_t> bytes = file.Bytes();
    const size_t tagSize = second.Block(true).size();
    ASSERT_EQ(bytes.size(), 3000 + tagSize);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + static_cast<long>(tagSize), bytes.end()), Audio(3000));
    TId3v2Tags read;
    ASSERT_TRUE(read.ReadFromFile(file.fd()));
    EXPECT_EQ(read.Title(), "Short");
}

TEST(Id3v2Block, ReadsVersionTwoAndUtf16Frames) {
    // ID3v2.2: "TT2" with a Latin-1 title; "TP1" in UTF-16 with a byte-order mark.
    std::vector<uint8_t> tag{'I', 'D', '3', 2, 0, 0, 0, 0, 0, 0};
    auto frame2 = [&](const char* id, std::vector<uint8_t> body) {
        tag.insert(tag.end(), id, id + 3);
        tag.push_back(0);
        tag.push_back(0);
        tag.push_back(static_cast<uint8_t>(body.size()));
        tag.insert(tag.end(), body.begin(), body.end());
    };
    frame2("TT2", {0, 'N', 'o', 'c', 't', 'u', 'r', 'n', 'e', 0});
    frame2("TP1", {1, 0xFF, 0xFE, 'Z', 0, 'o', 0, 0xEB, 0, 0, 0});
    tag.resize(tag.size() + 20, 0);
    tag[9] = static_cast<uint8_t>(tag.size() - 10);
    std::vector<uint8_t> bytes = tag;
    const std::vector<uint8_t> audio = Audio(200);
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    ScratchFile file(bytes);
    TId3v2Tags read;
    ASSERT_TRUE(read.ReadFromFile(file.fd()));
    EXPECT_FALSE(read.FNew);
    EXPECT_EQ(read.Title(), "Nocturne");
    EXPECT_EQ(read.Artist(), "Zoë");
}

TEST(Id3v2Block, MalformedHeadersAreRefusedAndOversizedFramesStopTheRead) {
    const std::vector<std::vector<uint8_t>> refused = {
        {'I', 'D', '3', 5, 0, 0, 0, 0, 0, 10},    // version 5
        {'I', 'D', '3', 3, 0xFF, 0, 0, 0, 0, 10}, // revision FF
        {'I', 'D', '3', 3, 0, 0x10, 0, 0, 0, 10}, // a flag version 3 does not define
        {'I', 'D', '3', 4, 0, 0, 0, 0, 0x80, 0},  // size byte with bit 7
        {'I', 'D', '3', 4, 0},                    // truncated
    };
    for (const auto& header : refused) {
        ScratchFile file(header);
        TId3v2Tags tags;
        EXPECT_FALSE(tags.Presents(file.fd()));
        EXPECT_FALSE(tags.ReadFromFile(file.fd()));
    }
    // A frame that claims more bytes than the tag holds ends the read without harm.
    std::vector<uint8_t> tag{'I', 'D', '3', 3,   0,    0,    0,    0,    0, 30,
                             'T', 'I', 'T', '2', 0x7F, 0xFF, 0xFF, 0xFF, 0, 0};
    tag.resize(40, 'x');
    ScratchFile file(tag);
    TId3v2Tags tags;
    EXPECT_TRUE(tags.ReadFromFile(file.fd()));
    EXPECT_EQ(tags.Title(), "");
    // A tag whose size runs past the end of the file is read as far as it goes.
    std::vector<uint8_t> cut{'I', 'D', '3', 3, 0, 0, 0, 0x7F, 0x7F, 0x7F, 'T', 'I',
                             'T', '2', 0,   0, 0, 4, 0, 0,    0,    'a',  'b', 'c'};
    ScratchFile cutFile(cut);
    TId3v2Tags cutTags;
    EXPECT_TRUE(cutTags.ReadFromFile(cutFile.fd()));
    EXPECT_EQ(cutTags.Title(), "abc");
}

TEST(Id3v2Block, UnsynchronisedVersionThreeTagIsRestored) {
    // Text "a\xFF\x00b" after unsynchronisation stands for "a\xFF" "b"... here: "\xFF\x00" -> "\xFF".
    std::vector<uint8_t> tag{'I', 'D', '3', 3, 0, 0x80, 0, 0, 0,   0,    'T',  'I', 'T',
                             '2', 0,   0,   0, 4, 0,    0, 0, 'a', 0xFF, 0x00, 'b'};
    tag[9] = static_cast<uint8_t>(tag.size() - 10);
    ScratchFile file(tag);
    TId3v2Tags tags;
    ASSERT_TRUE(tags.ReadFromFile(file.fd()));
    EXPECT_EQ(tags.Title(), "a\xC3\xBF"
                            "b");
}

TEST(TextConversion, Latin1RoundTripAndUnrepresentableCharacters) {
    EXPECT_EQ(Latin1ToUtf8(Utf8ToLatin1("Noël à Zürich")), "Noël à Zürich");
    EXPECT_EQ(Utf8ToLatin1("€ 🎙"), "? ?");
    EXPECT_EQ(Utf8ToLatin1(std::string("\xC3", 1)), "?");
}
