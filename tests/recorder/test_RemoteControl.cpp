// Requests from outside the window (later starts, the desktop's media controls): answered at once,
// carried out as the window's keys do, refused with the reason where the state does not allow them;
// and what the desktop's media panel is shown of the transport.

#include "MediaControls.h"
#include "RemoteControl.h"
#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "Unit1.h"
#include "WindowTestKit.h"

#include <QApplication>
#include <QDBusObjectPath>
#include <QDialog>
#include <QDir>
#include <QRegularExpression>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct RemoteControl : testing::Test {
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>(&boxes);
    TRemoteControl remote{*form};

    void SetUp() override {
        ASSERT_TRUE(ChoosePacedInput(*form)) << "the private sound server's paced input is missing";
    }
    QStringList Recordings() const { return RecordingsIn(form->mp3Folder); }
    // The request is accepted at once; its action has run once the state is the one wanted.
    void Accepted(TRemoteCommand command, TflState then) {
        const QString refusal = remote.Request(command);
        EXPECT_TRUE(refusal.isEmpty()) << CommandName(command).toStdString() << ": " << refusal.toStdString();
        EXPECT_TRUE(RunUntil([&] { return form->flagState() == then; }, 8000))
            << CommandName(command).toStdString() << " did not lead to state " << then << ", still "
            << form->flagState();
    }
    void Refused(TRemoteCommand command, const QString& reason) {
        const TflState before = form->flagState();
        EXPECT_EQ(remote.Request(command), reason) << CommandName(command).toStdString();
        RunFor(100);
        EXPECT_EQ(form->flagState(), before) << CommandName(command).toStdString() << " changed nothing";
    }
};

const QString NothingToDo = QStringLiteral("nothing is playing or recording");

} // namespace

TEST_F(RemoteControl, CommandsAcceptedDuringTheSplashWaitForTheWindow) {
    EXPECT_TRUE(remote.Request(rcRecord).isEmpty());
    EXPECT_EQ(remote.Request(rcPause), NothingToDo) << "judged against the standby the window starts in";
    RunFor(300);
    EXPECT_EQ(form->flagState(), flStop) << "nothing records before the window is up";
    remote.WindowUp();
    EXPECT_TRUE(RunUntil([&] { return form->flagState() == flRecord; }, 2000))
        << "waiting for the Record sent during the splash to start recording";
    ASSERT_TRUE(RunUntilTheTakeHoldsSound(*form)) << "waiting for the recording's first sound";
    Accepted(rcStop, flPlay);
    EXPECT_EQ(Recordings().size(), 1);
}

TEST_F(RemoteControl, EachCommandInEachStateIsDoneOrRefusedWithItsReason) {
    remote.WindowUp();
    Refused(rcStop, NothingToDo);
    Refused(rcPause, NothingToDo);
    Refused(rcPlay, QStringLiteral("no recording is selected to play"));

    EXPECT_TRUE(remote.Request(rcToggle).isEmpty());
    EXPECT_EQ(form->flagState(), flStop) << "the answer comes before the action";
    ASSERT_TRUE(RunUntil([&] { return form->flagState() == flRecord; }, 2000))
        << "waiting for the toggle to start recording";
    Refused(rcRecord, QStringLiteral("already recording"));
    Accepted(rcPause, flRecPause);
    Accepted(rcRecord, flRecord); // goes on
    // Two seconds of sound, so that the playing below lasts through the commands sent to it: an
    // input may take a few hundred milliseconds to deliver its first sound.
    RunFor(2000);
    Accepted(rcPause, flRecPause);
    RunFor(1500);
    Accepted(rcToggle, flPlay); // finished, and it plays
    ASSERT_EQ(Recordings().size(), 1);

    Refused(rcPlay, QStringLiteral("already playing"));
    Accepted(rcPause, flPause);
    Accepted(rcPlay, flPlay);
    Accepted(rcStop, flStop);
    Refused(rcStop, NothingToDo);
    Accepted(rcPlay, flPlay); // the recording still selected
    Accepted(rcPause, flPause);
    Accepted(rcPause, flPlay);    // goes on, as the window's Pause does
    Accepted(rcRecord, flRecord); // playback stops, a new recording starts
    ASSERT_TRUE(RunUntilTheTakeHoldsSound(*form)) << "waiting for the second recording's first sound";
    Accepted(rcPlay, flPlay); // finished, and it plays
    EXPECT_EQ(Recordings().size(), 2);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join(QLatin1Char('|')).toStdString();
}

TEST_F(RemoteControl, WhileADialogWaitsForAnAnswerNothingIsDone) {
    remote.WindowUp();
    QDialog question(form.get());
    question.setModal(true);
    question.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &question);
    Refused(rcRecord, QStringLiteral("the recorder is waiting for an answer in one of its windows"));
    EXPECT_TRUE(question.isVisible());
    question.close();
    Accepted(rcRecord, flRecord);
    form->StopClick();
}

TEST_F(RemoteControl, ARecordRefusedForWantOfRoomSaysWhyInTheWindowToo) {
    remote.WindowUp();
    form->DiskGuard.SetFreeSpaceReader([](const QString&) { return std::optional<int64_t>{100000}; });
    const QString refusal = remote.Request(rcToggle);
    EXPECT_EQ(refusal,
              QStringLiteral("the disk of %1 has no room for 20 s of recording").arg(form->mp3Folder));
    EXPECT_TRUE(RunUntil([&] { return !boxes.shown.isEmpty(); }, 1000)) << "the window shows its message";
    EXPECT_EQ(boxes.shown.value(0), FillName(form->Texts.wyd_DiskFullNoRecord, form->mp3Folder));
    EXPECT_EQ(form->flagState(), flStop);
    EXPECT_TRUE(Recordings().isEmpty());
}

TEST_F(RemoteControl, TheMediaPanelSeesTheTransportAsAPlayer) {
    remote.WindowUp();
    TPlayerView view = PlayerViewOf(*form);
    EXPECT_EQ(view.status, QStringLiteral("Stopped"));
    EXPECT_TRUE(view.path.isEmpty());
    EXPECT_FALSE(view.canPlay);
    EXPECT_FALSE(view.canPause);
    EXPECT_EQ(MetadataOf(view).value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
              QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    EXPECT_EQ(MetadataOf(view).size(), 1);

    Accepted(rcRecord, flRecord);
    view = PlayerViewOf(*form);
    EXPECT_EQ(view.status, QStringLiteral("Playing")) << "a recording shows as busy";
    EXPECT_EQ(view.path, QString::fromStdString(form->MP3Out1.FileName()));
    EXPECT_FALSE(view.lengthUs) << "no length while it grows";
    EXPECT_TRUE(view.canPause);
    QVariantMap metadata = MetadataOf(view);
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:title")).toString(),
              QFileInfo(view.path).completeBaseName());
    EXPECT_FALSE(metadata.contains(QStringLiteral("mpris:length")));
    RunFor(1000);
    Accepted(rcPause, flRecPause);
    EXPECT_EQ(PlayerViewOf(*form).status, QStringLiteral("Paused"));

    Accepted(rcStop, flPlay);
    view = PlayerViewOf(*form);
    const QString path = form->mp3Folder + Recordings().value(0);
    EXPECT_EQ(view.status, QStringLiteral("Playing"));
    EXPECT_EQ(view.path, path);
    ASSERT_TRUE(view.lengthUs);
    EXPECT_NEAR(static_cast<double>(*view.lengthUs), LengthMs(path) * 1000.0, 30000.0);
    metadata = MetadataOf(view);
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:url")).toString(),
              QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
    EXPECT_EQ(metadata.value(QStringLiteral("mpris:length")).toLongLong(), *view.lengthUs);
    const QString track = metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^(/[A-Za-z0-9_]+)+$")).match(track).hasMatch())
        << track.toStdString();

    Accepted(rcStop, flStop);
    view = PlayerViewOf(*form);
    EXPECT_EQ(view.status, QStringLiteral("Stopped"));
    EXPECT_EQ(view.path, path) << "the recording stays loaded";
    EXPECT_TRUE(view.canPlay);
    EXPECT_FALSE(view.canPause);
    EXPECT_EQ(MetadataOf(view).value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(), track)
        << "the same recording keeps its id";
}
