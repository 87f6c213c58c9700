// The recorder under long runs, many runs, pauses, faults and bad files, driven through the main
// window's own actions with the private sound server. Each case prints its figures.

#include "EngineTestKit.h"
#include "ScriptedBoxes.h"
#include "SmallDisk.h"
#include "TempHome.h"
#include "TestSources.h"
#include "Unit1.h"
#include "WindowTestKit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct Reliability : testing::Test {
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>(&boxes);

    void SetUp() override {
        ASSERT_TRUE(ChoosePacedInput(*form)) << "the private sound server's paced input is missing";
    }
    QStringList Recordings() const { return RecordingsIn(form->mp3Folder); }
    // Records for ms of wall time; returns what the wall clock measured from Record to Stop.
    int64_t RecordFor(int ms) {
        QElapsedTimer wall;
        wall.start();
        form->RecClick();
        RunFor(ms);
        form->StopClick();
        return wall.elapsed();
    }
    std::vector<int16_t> Decoded(const QString& name) const {
        TMP3In in;
        in.SetFileName(QFile::encodeName(form->mp3Folder + name).toStdString());
        return AsSamples(DecodeAll(in));
    }
};

void ExpectAContinuousTone(const std::vector<int16_t>& samples) {
    ASSERT_GT(samples.size(), 44100u);
    // The encoder's first and last frames fade in and out; judge what lies between.
    const std::vector<int16_t> middle(samples.begin() + 4410, samples.end() - 4410);
    const double worst = WorstDiscontinuity(middle, 440, 44100);
    std::printf("figure: worst discontinuity %.2f (1.5 would be a gap or a phase jump)\n", worst);
    EXPECT_LT(worst, 1.5);
}

} // namespace

// On an input of its own, so that it can run beside the other tests that record.
TEST_F(Reliability, ThreeMinutesRecordedHoldTheirWallClockLengthWithoutAGap) {
    ASSERT_TRUE(ChooseInputStartingWith(*form, QStringLiteral("Soak")))
        << "the private sound server's soak input is missing";
    const int64_t wall = RecordFor(180000);
    ASSERT_EQ(Recordings().size(), 1);
    const std::vector<int16_t> samples = Decoded(Recordings()[0]);
    const int64_t decodedMs = static_cast<int64_t>(samples.size()) * 1000 / 44100;
    std::printf("figure: soak: %lld ms of wall time, %lld ms decoded, overruns %u\n",
                static_cast<long long>(wall), static_cast<long long>(decodedMs), form->DXAudioIn1.Overruns());
    // The decoder also gives the encoder's priming and the last frame's padding (two frames at
    // most), and either end of the take may miss part of a capture latency; a clock that drifted
    // by a thousandth would be 180 ms off.
    const int64_t encoderFramingMs = 2 * 1152 * 1000 / 44100;
    EXPECT_NEAR(decodedMs, wall, form->DXAudioIn1.Latency() + encoderFramingMs)
        << "the take drifted from the wall clock";
    ExpectAContinuousTone(samples);
}

TEST_F(Reliability, FiftyRecordAndStopCyclesLeaveFiftyFilesAndNothingOpen) {
    // Counted with nothing playing, after a first run has opened what the process keeps for good.
    const auto settle = [&] {
        form->StopClick();
        RunFor(500);
    };
    RecordFor(300);
    QFile::remove(form->mp3Folder + Recordings()[0]);
    settle();
    const int descriptors = OpenDescriptors(), threads = ThreadCount();
    for (int i = 0; i < 50; ++i) RecordFor(250);
    settle();
    const QStringList files = Recordings();
    std::printf("figure: 50 cycles: %lld files; descriptors %d then %d; threads %d then %d\n",
                static_cast<long long>(files.size()), descriptors, OpenDescriptors(), threads, ThreadCount());
    ASSERT_EQ(files.size(), 50) << "none overwritten";
    for (const QString& name : files) {
        TMP3In in;
        in.SetFileName(QFile::encodeName(form->mp3Folder + name).toStdString());
        EXPECT_TRUE(in.Valid()) << name.toStdString();
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join(QLatin1Char('|')).toStdString();
}

TEST_F(Reliability, ATwentySecondPauseLeavesNoSeamAndNoOverrun) {
    // What is recorded is the wall time between the clicks, the clicks' own time included: a loaded
    // machine may take a while to answer one.
    QElapsedTimer wall;
    wall.start();
    form->RecClick();
    RunFor(3000);
    form->PauseClick();
    int64_t recordedMs = wall.restart();
    RunFor(20000);
    wall.restart();
    form->PauseClick();
    RunFor(3000);
    form->StopClick();
    recordedMs += wall.elapsed();
    ASSERT_EQ(Recordings().size(), 1);
    const std::vector<int16_t> samples = Decoded(Recordings()[0]);
    const int64_t decodedMs = static_cast<int64_t>(samples.size()) * 1000 / 44100;
    std::printf("figure: pause: %lld ms recorded around a 20 s pause, %lld ms decoded, overruns %u\n",
                static_cast<long long>(recordedMs), static_cast<long long>(decodedMs),
                form->DXAudioIn1.Overruns());
    // Each end of the take may hold one capture latency more or less than the clicks' wall time
    // (what the server had buffered, a stream still opening); a gap inside would break the tone.
    EXPECT_NEAR(decodedMs, recordedMs, 2 * form->DXAudioIn1.Latency() + 100)
        << "the pause is not in the take";
    EXPECT_EQ(form->DXAudioIn1.Overruns(), 0u);
    ExpectAContinuousTone(samples);
}

TEST_F(Reliability, AFullDiskEndsTheRecordingWithAMessageAndKeepsWhatFitted) {
    TSmallDisk disk(home.Path(QStringLiteral("small")), 2);
    if (!disk.Mounted()) GTEST_SKIP() << "a 2 MiB tmpfs cannot be mounted here";
    // A disk nearly full already: 256 KiB left, about 6 s at 320 kbit/s. Another program fills
    // it faster than the disk guard looks (scripted blind here): the write error ends the recording.
    disk.Fill(2 * 1024 * 1024 - 256 * 1024);
    form->DiskGuard.SetFreeSpaceReader(
        [](const QString&) { return std::optional<int64_t>{int64_t{1} << 40}; });
    form->mp3Folder = disk.Folder();
    form->MP3Out1.SetBitRate(mbr320);
    form->RecClick();
    const bool ended = RunUntil([&] { return form->flagState() != flRecord; }, 30000);
    const QStringList files = Recordings();
    const int64_t lengthMs = files.isEmpty() ? -1 : LengthMs(form->mp3Folder + files[0]);
    std::printf("figure: full disk: ended %s, message '%s', %lld ms kept\n", ended ? "yes" : "no",
                OneLine(boxes.shown.value(0)).c_str(), static_cast<long long>(lengthMs));
    form->StopClick();
    EXPECT_TRUE(ended);
    EXPECT_EQ(boxes.errors.value(0), FillName(form->Texts.wyd_DiskFull, form->mp3Folder) +
                                         QStringLiteral("\r\nError writing down mp3 file"));
    EXPECT_GT(lengthMs, 3000) << "the partial file decodes";
}

TEST_F(Reliability, TheDiskGuardFinishesTheRecordingWhileTheDiskStillHoldsItsEnd) {
    TSmallDisk disk(home.Path(QStringLiteral("small")), 2);
    if (!disk.Mounted()) GTEST_SKIP() << "a 2 MiB tmpfs cannot be mounted here";
    // 900 KiB left: 23 s at 320 kbit/s, so the time left shows at once and, once 3 s or so are
    // written, the recording is finished at the next look.
    disk.Fill(2 * 1024 * 1024 - 900 * 1024);
    form->mp3Folder = disk.Folder();
    form->MP3Out1.SetBitRate(mbr320);
    const QRegularExpression timeLeft(QStringLiteral("^Disk nearly full: 00:00:\\d\\d of recording left$"));
    QString shown;
    QElapsedTimer wall;
    wall.start();
    form->RecClick();
    const bool ended = RunUntil(
        [&] {
            if (timeLeft.match(form->StatusBar1->PanelText).hasMatch()) shown = form->StatusBar1->PanelText;
            return form->flagState() != flRecord;
        },
        20000);
    const int64_t recordedMs = wall.elapsed();
    const QStringList files = Recordings();
    ASSERT_EQ(files.size(), 1);
    const QString path = form->mp3Folder + files[0];
    const int64_t decodedMs = static_cast<int64_t>(Decoded(files[0]).size()) * 1000 / 44100;
    const std::optional<int64_t> left = TDiskGuard::ReadFreeSpace(disk.Folder());
    std::printf(
        "figure: disk guard: '%s' shown; %lld ms recorded, %lld ms decoded, %lld KiB left on the disk\n",
        shown.toStdString().c_str(), static_cast<long long>(recordedMs), static_cast<long long>(decodedMs),
        static_cast<long long>(left.value_or(-1) / 1024));
    EXPECT_TRUE(ended);
    EXPECT_FALSE(shown.isEmpty()) << "the time left was never on the status line";
    EXPECT_NEAR(decodedMs, recordedMs, 1000);
    EXPECT_EQ(FileTail(path, 128).left(3), QByteArray("TAG")) << "the file ends with its ID3v1 block";
    ASSERT_TRUE(left.has_value());
    EXPECT_GE(TDiskGuard::SecondsOfRecording(*left, 320), 15) << "finished long before the disk is full";
    ASSERT_EQ(boxes.shown.size(), 1) << boxes.shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(boxes.shown[0], FillName(form->Texts.wyd_DiskFullStop, disk.Folder()));

    // Record on that nearly full disk: nothing starts, the message says why, no file is made.
    form->StopClick();
    form->RecClick();
    EXPECT_EQ(form->flagState(), flStop);
    EXPECT_EQ(Recordings(), files);
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown[1], FillName(form->Texts.wyd_DiskFullNoRecord, disk.Folder()));
}

TEST_F(Reliability, RecordingIntoAFolderThatWasDeletedSaysSoAndGoesOn) {
    RecordFor(300);
    QDir(form->mp3Folder).removeRecursively();
    boxes.shown.clear();
    form->RecClick();
    ASSERT_TRUE(RunUntil([&] { return form->flagState() != flRecord; }, 5000))
        << "waiting for the recording into a deleted folder to end";
    std::printf("figure: recording into a deleted folder: '%s'\n",
                OneLine(boxes.shown.join(QLatin1Char('|'))).c_str());
    ASSERT_FALSE(boxes.shown.isEmpty());
    EXPECT_TRUE(boxes.shown.first().startsWith(FillName(form->Texts.wyd_FolderNotWritable, form->mp3Folder)))
        << "a folder that is gone is not a full disk";
    QDir().mkpath(form->mp3Folder);
    boxes.shown.clear();
    RecordFor(500);
    EXPECT_EQ(Recordings().size(), 1) << "recording works again once the folder is back";
}

TEST_F(Reliability, BadFilesNeverCrashAndGiveTheirMessages) {
    // A folder of 2,000 files named .mp3 holding text, nothing or random bytes.
    QRandomGenerator random(2026);
    for (int i = 0; i < 2000; ++i) {
        const QString name = QStringLiteral("Fichier %1 é 🎙.%2.mp3").arg(i).arg(i % 3);
        QFile file(form->mp3Folder + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        if (i % 3 == 0) file.write("not a recording at all\n");
        if (i % 3 == 2) {
            QByteArray bytes(4096, '\0');
            for (char& byte : bytes) byte = static_cast<char>(random.bounded(256));
            file.write(bytes);
        }
    }
    QElapsedTimer clock;
    clock.start();
    form->refreshlist();
    std::printf("figure: 2000 bad files listed in %lld ms\n", static_cast<long long>(clock.elapsed()));
    ASSERT_EQ(form->Mp3List->topLevelItemCount(), 2000);
    for (int row = 0; row < 30; ++row) {
        form->Mp3List->setCurrentItem(form->Mp3List->topLevelItem(row * 66));
        form->Mp3ListClick();
        EXPECT_NE(form->flagState(), flRecord);
    }
    int invalid = 0;
    for (const QString& text : boxes.shown) invalid += text == QStringLiteral("This MP3 file is invalid!");
    std::printf("figure: %d of 30 playback attempts said the file is invalid\n", invalid);
    EXPECT_GE(invalid, 25);

    // A skin file cut short at every 997th byte.
    QFile skin(qEnvironmentVariable("SARVO_BUILD_DIR") + QStringLiteral("/Skins/Modern-Skin"));
    ASSERT_TRUE(skin.open(QIODevice::ReadOnly));
    const QByteArray whole = skin.readAll();
    form->exeFolder = home.Path(QStringLiteral("program/"));
    QDir().mkpath(form->exeFolder + QStringLiteral("Skins"));
    int loaded = 0;
    for (qsizetype cut = 0; cut < whole.size(); cut += 997) {
        QFile cutShort(form->exeFolder + QStringLiteral("Skins/Cut-Skin"));
        ASSERT_TRUE(cutShort.open(QIODevice::WriteOnly));
        cutShort.write(whole.left(cut));
        cutShort.close();
        loaded += form->LoadSkin(QStringLiteral("Cut-Skin"));
    }
    std::printf("figure: %lld cut skins tried, %d loaded\n", static_cast<long long>(whole.size() / 997 + 1),
                loaded);
    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(form->GetSkinName(), QStringLiteral("Vintage-Skin"));
    EXPECT_EQ(form->wydPngListe1->Count(), 35);
}

TEST(ReliabilityStart, RandomSettingsFilesStartWithTheDefaults) {
    QRandomGenerator random(8);
    for (int round = 0; round < 5; ++round) {
        TempHome home;
        QDir().mkpath(home.Path(QStringLiteral(".config/Sarvo Mp3 Recorder")));
        QFile prefs(home.Path(QStringLiteral(".config/Sarvo Mp3 Recorder/prefs.ini")));
        ASSERT_TRUE(prefs.open(QIODevice::WriteOnly));
        QByteArray bytes(8192, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random.bounded(256));
        prefs.write(bytes);
        prefs.close();
        ScriptedBoxes boxes;
        TForm1 form(&boxes);
        EXPECT_FALSE(form.StartupAborted());
        EXPECT_EQ(form.mp3Folder, home.Path(QStringLiteral("Documents/Sarvo mp3 Recordings/")));
        EXPECT_EQ(form.GetSkinName(), QStringLiteral("Vintage-Skin"));
    }
}
