// The disk guard: the recordings folder's free space, scripted here, against the bit rate being
// recorded. The paced input keeps time with the wall clock.

#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "Unit1.h"
#include "WindowTestKit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int64_t BytesPerSecondAt192 = 192000 / 8;

struct DiskGuard : testing::Test {
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>(&boxes);
    std::optional<int64_t> freeBytes = int64_t{1} << 40; // what the folder's disk has left

    void SetUp() override {
        ASSERT_TRUE(ChoosePacedInput(*form)) << "the private sound server's paced input is missing";
        ASSERT_EQ(form->MP3Out1.BitRate(), mbr192) << "the default quality";
        form->DiskGuard.SetFreeSpaceReader([this](const QString& folder) {
            EXPECT_EQ(folder, form->mp3Folder);
            return freeBytes;
        });
    }
    QStringList Recordings() const { return RecordingsIn(form->mp3Folder); }
    QString StatusText() const { return form->StatusBar1->PanelText; }
    bool Shows(const QString& text) const { return StatusText() == text; }
};

} // namespace

TEST(DiskGuardSums, SecondsOfRecordingFollowTheBitRate) {
    EXPECT_EQ(TDiskGuard::SecondsOfRecording(BytesPerSecondAt192 * 60, 192), 60);
    EXPECT_EQ(TDiskGuard::SecondsOfRecording(BytesPerSecondAt192 * 60 - 1, 192), 59)
        << "whole seconds, rounded down";
    EXPECT_EQ(TDiskGuard::SecondsOfRecording(40000 * 10, 320), 10);
    EXPECT_EQ(TDiskGuard::SecondsOfRecording(40000 * 10, 0), 10)
        << "the encoder's own choice counts as the highest";
    EXPECT_EQ(TDiskGuard::SecondsOfRecording(0, 96), 0);
    EXPECT_EQ(TDiskGuard::SecondsOfRecording(-4096, 96), 0);
    EXPECT_EQ(TDiskGuard::SecondsOfRecording(int64_t{1} << 50, 96), (int64_t{1} << 50) / 12000)
        << "no overflow";
}

TEST(DiskGuardSums, TheFreeSpaceOfARealFolderIsReadAndAMissingOneIsUnknown) {
    TempHome home;
    const std::optional<int64_t> bytes = TDiskGuard::ReadFreeSpace(home.Path());
    ASSERT_TRUE(bytes.has_value());
    EXPECT_GT(*bytes, 0);
    EXPECT_FALSE(TDiskGuard::ReadFreeSpace(home.Path(QStringLiteral("gone/away"))).has_value());
}

TEST_F(DiskGuard, UnderTenMinutesLeftTheStatusLineShowsTheTimeInTheWindowsLanguage) {
    freeBytes = BytesPerSecondAt192 * 540;
    form->RecClick();
    ASSERT_EQ(form->flagState(), flRecord);
    EXPECT_TRUE(
        RunUntil([&] { return Shows(QStringLiteral("Disk nearly full: 00:09:00 of recording left")); }, 1000))
        << "shown at once; the status line says '" << StatusText().toStdString() << "'";
    form->ChangeLanguage(QStringLiteral("fr"));
    freeBytes = BytesPerSecondAt192 * 539;
    EXPECT_TRUE(RunUntil(
        [&] { return Shows(QStringLiteral("Disque presque plein : encore 00:08:59 d'enregistrement")); },
        TDiskGuard::CheckIntervalMs + 500))
        << "then every two seconds; the status line says '" << StatusText().toStdString() << "'";
    freeBytes = BytesPerSecondAt192 * 600;
    EXPECT_TRUE(RunUntil([&] { return StatusText().isEmpty(); }, TDiskGuard::CheckIntervalMs + 500))
        << "room again: the text goes";
    form->StopClick();
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join(QLatin1Char('|')).toStdString();
}

TEST_F(DiskGuard, TheTimeLeftFollowsTheQualityBeingRecorded) {
    form->MP3Out1.SetBitRate(mbr320);
    freeBytes = BytesPerSecondAt192 * 540;
    form->RecClick();
    EXPECT_TRUE(
        RunUntil([&] { return Shows(QStringLiteral("Disk nearly full: 00:05:24 of recording left")); }, 1000))
        << "the status line says '" << StatusText().toStdString() << "'";
    form->StopClick();
}

TEST_F(DiskGuard, UnderTwentySecondsLeftTheRecordingIsFinishedAsStopDoes) {
    freeBytes = BytesPerSecondAt192 * 60;
    QElapsedTimer wall;
    wall.start();
    form->RecClick();
    RunFor(1500);
    freeBytes = BytesPerSecondAt192 * 19;
    ASSERT_TRUE(RunUntil([&] { return form->flagState() != flRecord; }, TDiskGuard::CheckIntervalMs + 1000))
        << "the recording must end within one check";
    const int64_t recordedMs = wall.elapsed();
    EXPECT_EQ(form->flagState(), flPlay) << "as after Stop, the new recording plays";
    EXPECT_EQ(form->NULLOut1.Status(), tosPlaying) << "monitoring goes on";
    ASSERT_EQ(Recordings().size(), 1);
    const QString path = form->mp3Folder + Recordings()[0];
    EXPECT_EQ(FileTail(path, 128).left(3), QByteArray("TAG")) << "the file ends with its ID3v1 block";
    EXPECT_NEAR(LengthMs(path), recordedMs, 400);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0], FillName(form->Texts.wyd_DiskFullStop, form->mp3Folder));
    EXPECT_TRUE(boxes.shown[0].contains(form->mp3Folder)) << "the message names the folder";
}

TEST_F(DiskGuard, RecordWithUnderTwentySecondsLeftStartsNothingAndSaysWhy) {
    freeBytes = BytesPerSecondAt192 * 19;
    form->RecClick();
    EXPECT_EQ(form->flagState(), flStop);
    EXPECT_EQ(form->recOutput, nullptr);
    EXPECT_EQ(form->MP3Out1.Status(), tosIdle);
    EXPECT_EQ(form->NULLOut1.Status(), tosPlaying) << "monitoring goes on";
    EXPECT_TRUE(Recordings().isEmpty()) << "no file is made";
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].contains(form->mp3Folder));
    EXPECT_EQ(boxes.shown[0], FillName(form->Texts.wyd_DiskFullNoRecord, form->mp3Folder));

    freeBytes = BytesPerSecondAt192 * 20;
    form->RecClick();
    EXPECT_EQ(form->flagState(), flRecord) << "twenty seconds are enough to start";
    form->StopClick();
}

TEST_F(DiskGuard, AFreeSpaceThatCannotBeReadNeverStopsARecording) {
    freeBytes = std::nullopt;
    form->RecClick();
    RunFor(TDiskGuard::CheckIntervalMs + 500);
    EXPECT_EQ(form->flagState(), flRecord);
    EXPECT_TRUE(StatusText().isEmpty());
    form->StopClick();
    EXPECT_TRUE(boxes.shown.isEmpty());
}
