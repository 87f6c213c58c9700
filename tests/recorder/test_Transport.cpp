// The transport driven through the window's handlers, with the private sound server's sine input.

#include "EngineTestKit.h"
#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "TestSources.h"
#include "Unit1.h"
#include "WindowTestKit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A 440 Hz tone of the given length, encoded by the program's own sink.
void WriteToneFile(const QString& path, int seconds) {
    TToneSource tone(44100, 1, 440.0, 0.5, int64_t{seconds} * 88200);
    TMP3Out out;
    out.SetInput(&tone);
    out.SetBitRate(mbr128);
    out.SetFileName(QFile::encodeName(path).toStdString());
    out.BlockingRun();
}

struct Transport : testing::Test {
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>(&boxes);

    void UsePacedInput() {
        ASSERT_TRUE(ChoosePacedInput(*form)) << "the private sound server's paced input is missing";
    }
    QString Folder() const { return form->mp3Folder; }
    QStringList Recordings() const { return RecordingsIn(Folder()); }
    // Records for about ms milliseconds and stops; returns the recording's path.
    QString Record(int ms) {
        form->RecClick();
        RunFor(ms);
        form->StopClick();
        return Folder() + Recordings().constLast();
    }
    // A tone file in the folder, listed, selected and loaded by a click on its row.
    void LoadToneFile(int seconds) {
        WriteToneFile(Folder() + QStringLiteral("tone.mp3"), seconds);
        form->refreshlist();
        form->Mp3List->setCurrentItem(form->Mp3List->topLevelItem(0));
        form->Mp3ListClick();
    }
    std::array<int, 4> Pictures() const {
        return {form->wydPlay->IndexNormal(), form->wydRecord->IndexNormal(), form->wydStop->IndexNormal(),
                form->wydPause->IndexNormal()};
    }
};

} // namespace

TEST_F(Transport, RecordThenStopCompletesTheFileRefillsTheListAndPlaysIt) {
    ASSERT_TRUE(form->mixok) << "the private sound server's input must be listed";
    EXPECT_EQ(form->NULLOut1.Status(), tosPlaying) << "monitoring runs from start-up";
    UsePacedInput();
    QElapsedTimer wall;
    wall.start();
    form->RecClick();
    EXPECT_EQ(form->flagState(), flRecord);
    EXPECT_EQ(form->Labelboutons->text(), QStringLiteral("Recording"));
    EXPECT_EQ(Pictures(), (std::array{4, 1, 8, 12}));
    EXPECT_EQ(form->NULLOut1.Status(), tosIdle) << "the null sink stops before the MP3 sink takes over";
    EXPECT_EQ(form->MP3Out1.Status(), tosPlaying);
    form->RecClick();
    EXPECT_EQ(form->flagState(), flRecord) << "Record while recording does nothing";
    RunFor(3000);
    EXPECT_TRUE(form->Cadran->Caption() == QStringLiteral("00:00:02") ||
                form->Cadran->Caption() == QStringLiteral("00:00:03"))
        << form->Cadran->Caption().toStdString();
    form->StopClick();
    const int64_t recordedMs = wall.elapsed();

    const QStringList files = Recordings();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Rec-\\d{4}-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d\\.mp3$"))
                    .match(files[0])
                    .hasMatch())
        << files[0].toStdString();
    const int64_t lengthMs = LengthMs(Folder() + files[0]);
    std::printf("recorded %lld ms of wall time, file holds %lld ms\n", static_cast<long long>(recordedMs),
                static_cast<long long>(lengthMs));
    EXPECT_NEAR(lengthMs, recordedMs, 250);
    EXPECT_EQ(form->flagState(), flPlay) << "the new recording plays at once";
    EXPECT_EQ(Pictures(), (std::array{5, 0, 8, 12}));
    ASSERT_EQ(form->Mp3List->topLevelItemCount(), 1);
    EXPECT_EQ(form->Mp3List->topLevelItem(0)->text(0) + QStringLiteral(".mp3"), files[0]);
    EXPECT_NEAR(form->Progres2->Maxi(), lengthMs, 30);
    EXPECT_EQ(form->NULLOut1.Status(), tosPlaying) << "monitoring resumes after the recording";
    EXPECT_EQ(form->MP3Out1.Status(), tosIdle);
}

TEST_F(Transport, PauseTwiceWhileRecordingResumesAndTheClockStandsStillMeanwhile) {
    UsePacedInput();
    form->RecClick();
    RunFor(1300);
    form->PauseClick();
    EXPECT_EQ(form->flagState(), flRecPause);
    EXPECT_EQ(form->Labelboutons->text(), QStringLiteral("Recording (Pause)"));
    EXPECT_EQ(Pictures(), (std::array{4, 1, 8, 13}));
    EXPECT_EQ(form->MP3Out1.Status(), tosPaused);
    RunFor(100);
    const QString held = form->Cadran->Caption();
    RunFor(1500);
    EXPECT_EQ(form->Cadran->Caption(), held) << "the recording clock stands still while paused";
    form->PauseClick();
    EXPECT_EQ(form->flagState(), flRecord);
    EXPECT_EQ(form->MP3Out1.Status(), tosPlaying);
    form->PauseClick();
    form->RecClick();
    EXPECT_EQ(form->flagState(), flRecord) << "Record resumes a paused recording";
    RunFor(700);
    form->PlayClick();
    EXPECT_EQ(form->flagState(), flPlay) << "Play finishes the recording and plays it";
    ASSERT_EQ(Recordings().size(), 1);
    EXPECT_NEAR(LengthMs(Folder() + Recordings()[0]), 2000, 250) << "the paused time is not in the file";
}

TEST_F(Transport, PlaybackPauseStopAndSeekOnASixtySecondFile) {
    LoadToneFile(60);
    ASSERT_EQ(form->flagState(), flPlay);
    ASSERT_NEAR(form->Progres2->Maxi(), 60000, 60) << "the encoder's delay and padding add a frame or two";
    form->Progres2->SetMaxi(60000);
    EXPECT_EQ(form->mp3player.Volume(), 1000) << "the volume comes from the output slider";
    form->PauseClick();
    EXPECT_EQ(form->flagState(), flPause);
    EXPECT_EQ(Pictures(), (std::array{5, 0, 8, 13}));
    form->PauseClick();
    EXPECT_EQ(form->flagState(), flPlay);
    form->PauseClick();
    form->PlayClick();
    EXPECT_EQ(form->flagState(), flPlay) << "Play continues from Pause";
    form->PauseClick();
    form->StopClick();
    EXPECT_EQ(form->flagState(), flStop);
    EXPECT_EQ(Pictures(), (std::array{4, 0, 9, 12}));
    EXPECT_EQ(form->mp3player.Position(), 0);
    EXPECT_EQ(form->Progres2->Position(), 0);
    EXPECT_EQ(form->NULLOut1.Status(), tosPlaying) << "monitoring goes on after playback";

    form->show(); // the bar takes the window's width: 756 at 760
    const int half = form->Progres2->width() / 2;
    ASSERT_EQ(form->Progres2->width(), 756);
    form->Progres1MouseUp(half);
    EXPECT_EQ(form->flagState(), flPause) << "a seek from Stop leaves playback paused";
    EXPECT_EQ(form->Progres2->Position(), 30000);
    EXPECT_EQ(form->mp3player.Position(), 30000);
    form->Progres1MouseUp(2 * half);
    EXPECT_EQ(form->mp3player.Position(), 60000);
    form->Progres1MouseUp(half);
    EXPECT_EQ(form->flagState(), flPause) << "a seek while paused stays paused";
    form->PlayClick();
    EXPECT_EQ(form->flagState(), flPlay);
    RunFor(300);
    EXPECT_GE(form->mp3player.Position(), 30000) << "Play goes on from the seek";
    EXPECT_LT(form->mp3player.Position(), 31000);
    form->Progres1MouseUp(half / 2);
    EXPECT_EQ(form->flagState(), flPlay) << "a seek while playing keeps playing";
    RunFor(200);
    EXPECT_GE(form->mp3player.Position(), 15000);
    EXPECT_LT(form->mp3player.Position(), 16000);

    form->RecClick();
    EXPECT_EQ(form->flagState(), flRecord) << "Record while playing stops playback, then records";
    EXPECT_EQ(form->mp3player.Position(), 0);
    ASSERT_TRUE(RunUntilTheTakeHoldsSound(*form)) << "waiting for the recording's first sound";
    form->StopClick();
    ASSERT_EQ(form->flagState(), flPlay);
    form->PauseClick();
    form->RecClick();
    EXPECT_EQ(form->flagState(), flRecord) << "Record while paused stops playback, then records";
    form->StopClick();
    form->StopClick();
    EXPECT_EQ(form->flagState(), flStop);
    form->Progres2->SetMaxi(100);
    form->Progres2->SetPosition(40);
    form->StopClick();
    EXPECT_EQ(form->Progres2->Position(), 0) << "Stop while stopped only resets the bar";
}

TEST_F(Transport, EndOfPlaybackStopsAndRewindsAndPlayStartsAgain) {
    LoadToneFile(1);
    ASSERT_TRUE(RunUntil([&] { return form->flagState() == flStop; }, 5000))
        << "waiting for the one-second recording to play to its end";
    EXPECT_EQ(form->Progres2->Position(), 0);
    EXPECT_EQ(form->mp3player.Position(), 0);
    EXPECT_EQ(form->Labelboutons->text(), QStringLiteral("Standby"));
    form->PlayClick();
    EXPECT_EQ(form->flagState(), flPlay);
    RunFor(100);
    EXPECT_LT(form->mp3player.Position(), 500) << "from the beginning";
}

TEST_F(Transport, ClockTexts) {
    EXPECT_EQ(TForm1::ClockText(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(TForm1::ClockText(3725000), QStringLiteral("01:02:05"));
    EXPECT_EQ(TForm1::ClockText(3725999), QStringLiteral("01:02:05"));
    EXPECT_EQ(TForm1::ClockText(int64_t{100} * 3600000), QStringLiteral("100:00:00"))
        << "hours are not wrapped";
}

// Keys go through the window's native window, as the keyboard delivers them.
struct Keyboard : Transport {
    QLineEdit* edit = nullptr;
    void SetUp() override {
        edit = new QLineEdit(form.get());
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        edit->setFocus();
    }
    void Press(int key, Qt::KeyboardModifiers modifiers = {}, bool autoRepeat = false,
               const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text, autoRepeat);
        QCoreApplication::sendEvent(form->windowHandle(), &press);
    }
};

TEST_F(Keyboard, EveryKeyOfTheTableRunsItsAction) {
    UsePacedInput();
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        TflState after;
    } steps[] = {
        {Qt::Key_R, {}, flRecord},
        {Qt::Key_P, {}, flRecPause},
        {Qt::Key_Period, {}, flRecord},
        {Qt::Key_Period, Qt::KeypadModifier, flRecPause},
        {Qt::Key_Return, {}, flPlay},
        {Qt::Key_Plus, Qt::KeypadModifier, flRecord},
        {Qt::Key_Escape, {}, flPlay},
        {Qt::Key_Equal, {}, flRecord},
        {Qt::Key_Space, {}, flPlay},
        {Qt::Key_0, {}, flStop},
        {Qt::Key_MediaTogglePlayPause, {}, flPlay},
        {Qt::Key_0, Qt::KeypadModifier, flStop},
        {Qt::Key_Enter, Qt::KeypadModifier, flPlay},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(QKeySequence(step.key).toString().toStdString());
        Press(step.key, step.modifiers);
        EXPECT_EQ(form->flagState(), step.after) << "messages: " << boxes.shown.join(u'|').toStdString();
        if (step.after == flRecord) {
            EXPECT_TRUE(RunUntilTheTakeHoldsSound(*form)) << "waiting for the recording's first sound";
        }
        RunFor(50);
    }
    EXPECT_EQ(Recordings().size(), 3);
}

TEST_F(Keyboard, RepeatsAreSwallowedOtherKeysConsumedAndEditingIsLeftAlone) {
    Press(Qt::Key_R);
    ASSERT_EQ(form->flagState(), flRecord);
    ASSERT_TRUE(RunUntilTheTakeHoldsSound(*form)) << "no sound within 5 s of R";
    RunFor(500);
    Press(Qt::Key_Space, {}, true);
    EXPECT_EQ(form->flagState(), flRecord) << "an auto-repeat does nothing";
    Press(Qt::Key_X, {}, false, QStringLiteral("x"));
    EXPECT_EQ(edit->text(), QString()) << "a key outside the table reaches no control";
    Press(Qt::Key_P, {}, false, QStringLiteral("p"));
    EXPECT_EQ(form->flagState(), flRecPause);
    EXPECT_EQ(edit->text(), QStringLiteral("p")) << "after its action a table key goes on to the control";
    form->isEditing = true;
    Press(Qt::Key_X, {}, false, QStringLiteral("x"));
    Press(Qt::Key_Space, {}, false, QStringLiteral(" "));
    EXPECT_EQ(edit->text(), QStringLiteral("px ")) << "while a name is edited, keys are the editor's";
    EXPECT_EQ(form->flagState(), flRecPause);
    form->isEditing = false;
    Press(Qt::Key_Escape);
    EXPECT_EQ(form->flagState(), flPlay);
}

TEST_F(Transport, WaitingIndicationWhileARecordingFinishes) {
    form->RecClick();
    RunFor(300);
    form->wydStopMouseDown();
    EXPECT_EQ(form->StatusBar1->PanelText, QStringLiteral("Please wait a few moments..."));
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    form->StopClick();
    EXPECT_TRUE(RunUntil([&] { return form->StatusBar1->PanelText.isEmpty(); }))
        << "waiting for the status line's wait text to go";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The status line: button face, and its text in teal from 10 pixels in.
    form->StatusBar1->SetPanelText(QStringLiteral("MMMM"));
    QImage shot(form->StatusBar1->size(), QImage::Format_RGB32);
    form->StatusBar1->render(&shot);
    EXPECT_EQ(QColor(shot.pixel(3, 3)), form->palette().color(QPalette::Button));
    bool teal = false;
    for (int x = 10; x < 60 && !teal; ++x)
        for (int y = 0; y < shot.height() && !teal; ++y)
            teal = QColor(shot.pixel(x, y)) == QColor(26, 99, 112);
    EXPECT_TRUE(teal);
}

TEST_F(Transport, ClosingTheWindowFinishesTheRecordingInProgress) {
    UsePacedInput();
    form->RecClick();
    RunFor(1000);
    form->close();
    EXPECT_EQ(form->MP3Out1.Status(), tosIdle);
    ASSERT_EQ(Recordings().size(), 1);
    EXPECT_NEAR(LengthMs(Folder() + Recordings()[0]), 1000, 250);
}
