// A recording that fails under way, and recordings that would share a name.

#include "EngineTestKit.h"
#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "Unit1.h"
#include "WindowTestKit.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QStringList Recordings(const TForm1& form) {
    return QDir(form.mp3Folder).entryList({QStringLiteral("Rec-*.mp3")}, QDir::Files, QDir::Name);
}

void Touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

TEST(RecordingFaults, ARunThatCannotStartShowsTheMessageAndTheWindowGoesBackToStandby) {
    TempHome home;
    ScriptedBoxes boxes;
    TForm1 form(&boxes);
    form.DXAudioIn1.SetDeviceNumber(99);
    form.RecClick();
    ASSERT_TRUE(RunUntil([&] { return form.flagState() != flRecord; }, 5000)) << "left showing Recording";
    ASSERT_FALSE(boxes.warnings.isEmpty())
        << "a warning, not a plain note: " << boxes.shown.join(u'|').toStdString();
    EXPECT_EQ(boxes.warnings.first(), form.Texts.wyd_NoInput + QStringLiteral("\r\nInvalid device number"))
        << "the reason in the user's words, then the engine's text";
    EXPECT_EQ(form.recOutput, nullptr);
    EXPECT_EQ(form.Cadran->Caption(), QStringLiteral("00:00:00"));
    EXPECT_TRUE(Recordings(form).isEmpty()) << "a run that wrote nothing leaves no empty file behind";

    form.ComboRecLinesChange(); // the device of the selected entry again
    boxes.Clear();
    form.RecClick();
    ASSERT_TRUE(RunUntilTheTakeHoldsSound(form)) << "waiting for the next recording's first sound";
    form.StopClick();
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(form.flagState(), flPlay) << "the next recording works";
    EXPECT_EQ(Recordings(form).size(), 1);
}

TEST(RecordingFaults, TheSoundServerGoingAwayKeepsWhatWasRecordedAndTheNextRecordingWorksOnceItIsBack) {
    TPrivateSoundServer server;
    if (!server.Running()) GTEST_SKIP() << "a private sound server could not be started";
    TempHome home;
    ScriptedBoxes boxes;
    TForm1 form(&boxes);
    ASSERT_TRUE(form.mixok);
    const QString input = form.ComboRecLines->currentText();
    form.RecClick();
    RunFor(1500);
    server.Kill();
    ASSERT_TRUE(RunUntil([&] { return form.flagState() != flRecord && !boxes.shown.isEmpty(); }, 8000))
        << "the failure must end the recording with a message";

    EXPECT_EQ(boxes.warnings.value(0), form.InputGoneText(input, true) +
                                           QStringLiteral("\r\nInput failed: DirectSound error 0x88780078"));
    ASSERT_EQ(Recordings(form).size(), 1);
    const int64_t keptMs = LengthMs(form.mp3Folder + Recordings(form)[0]);
    std::printf("figure: sound server killed 1.5 s into a recording: '%s'; %lld ms kept and playable\n",
                OneLine(boxes.shown.first()).c_str(), static_cast<long long>(keptMs));
    EXPECT_GE(keptMs, 1000) << "what was recorded is kept and playable";
    QFile partial(form.mp3Folder + Recordings(form)[0]);
    ASSERT_TRUE(partial.open(QIODevice::ReadOnly));
    partial.seek(partial.size() - 128);
    EXPECT_EQ(partial.read(3), QByteArray("TAG")) << "the file is completed with its ID3v1 block";
    EXPECT_TRUE(RunUntil([&] { return form.flagState() == flStop; }, 3000))
        << "playback without a server ends instead of showing Playing for ever";

    ASSERT_TRUE(server.Start()) << "waiting for the private sound server to start again";
    boxes.Clear();
    form.RecClick();
    ASSERT_TRUE(RunUntilTheTakeHoldsSound(form)) << "waiting for the first sound once the server is back";
    RunFor(500);
    form.StopClick();
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(Recordings(form).size(), 2);
    EXPECT_GE(LengthMs(form.mp3Folder + Recordings(form)[1]), 500);
}

TEST(RecordingFaults, ARecordingNeverTakesTheNameOfAnEarlierOne) {
    TempHome home;
    const QString folder = home.Path() + QStringLiteral("/");
    const QDateTime lastSecondOfTheYear(QDate(2026, 12, 31), QTime(23, 59, 59, 999));
    const QString first = TForm1::RecordName(folder, lastSecondOfTheYear);
    EXPECT_EQ(first, folder + QStringLiteral("Rec-2026-12-31-23-59-59.mp3"))
        << "date and time from one reading";
    Touch(first);
    const QString second = TForm1::RecordName(folder, lastSecondOfTheYear);
    EXPECT_EQ(second, folder + QStringLiteral("Rec-2026-12-31-23-59-59-2.mp3"));
    Touch(second);
    EXPECT_EQ(TForm1::RecordName(folder, lastSecondOfTheYear),
              folder + QStringLiteral("Rec-2026-12-31-23-59-59-3.mp3"));
    EXPECT_EQ(TForm1::RecordName(folder, QDateTime(QDate(987, 1, 2), QTime(3, 4, 5))),
              folder + QStringLiteral("Rec-0987-01-02-03-04-05.mp3"));
}
