// The MP3 sink when its libraries cannot be loaded. Libraries stay loaded once they are, so this
// runs in a process of its own that starts with names that do not exist.

#include "EngineTestKit.h"
#include "MP3Out.h"
#include "Mp3Frames.h"
#include "TestSources.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(MP3SinkWithoutLibraries, TheMessageNamesTheLibraryTriedAndTagsAreSkipped) {
    SetMP3LibraryNames("libsarvo-no-such-encoder.so.0", "libsarvo-no-such-tags.so.0");
    TTempFolder folder;
    TToneSource tone(44100, 2, 440, 0.5, 44100 * 4);
    TMP3Out out;
    out.SetInput(&tone);
    out.SetFileName(folder.Path("untagged.mp3"));
    out.Id3v2Tags().SetTitle("Sans étiquette");
    out.Id3v1Tags().SetTitle("Sans etiquette");
    EXPECT_EQ(MessageOf([&] { out.BlockingRun(); }),
              "libsarvo-no-such-encoder.so.0 library could not be loaded.");

    // A later run tries the encoder again; the tag library is still missing.
    SetMP3LibraryNames("libmp3lame.so.0", "libsarvo-no-such-tags.so.0");
    out.BlockingRun();
    const std::vector<uint8_t> file = ReadWholeFile(folder.Path("untagged.mp3"));
    ASSERT_GT(file.size(), 10000u);
    EXPECT_NE(std::memcmp(file.data(), "ID3", 3), 0) << "no ID3v2 header without the tag library";
    EXPECT_EQ(std::memcmp(file.data() + file.size() - 128, "TAGSans etiquette", 17), 0);
    EXPECT_GT(Mp3Frames(file).size(), 30u);
}
