// An input that stops delivering (a suspended source, as a server does to an idle or stalled
// device; on PipeWire a held loopback) and a sound server that goes away and comes back, under the real
// window: the window never freezes, a stalled recording ends with its message and keeps what it had, and no
// recording ever starts without the user.

#include "EngineTestKit.h"
#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "Unit1.h"
#include "WindowTestKit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int LongestHoldMs = 200; // how long the window's event loop may be held at most

// The longest time between two ticks of a 5 ms timer: how long the event loop was held.
class TLoopWatch {
public:
    TLoopWatch() {
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Tick(); });
        FTimer.start(5);
        Restart();
    }
    // Forgets what was seen so far (the test itself held the loop).
    void Restart() {
        FClock.restart();
        FLast = 0;
        FLongest = 0;
    }
    qint64 LongestMs() {
        Tick();
        return FLongest;
    }

private:
    void Tick() {
        const qint64 now = FClock.elapsed();
        FLongest = std::max(FLongest, now - FLast);
        FLast = now;
    }
    QTimer FTimer;
    QElapsedTimer FClock;
    qint64 FLast = 0, FLongest = 0;
};

qint64 MsOf(const std::function<void()>& action) {
    QElapsedTimer clock;
    clock.start();
    action();
    return clock.elapsed();
}

bool EndsWithId3v1Block(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 128) return false;
    file.seek(file.size() - 128);
    return file.read(3) == QByteArray("TAG");
}

// The window over a sound server of the test's own, recording its paced input.
class StalledInput : public testing::Test {
protected:
    void SetUp() override {
        if (!server.Running()) GTEST_SKIP() << "a private sound server could not be started";
        QDir().mkpath(home.Path(QStringLiteral(".config/Sarvo Mp3 Recorder")));
        QFile prefs(home.Path(QStringLiteral(".config/Sarvo Mp3 Recorder/prefs.ini")));
        ASSERT_TRUE(prefs.open(QIODevice::WriteOnly));
        prefs.write("[Input]\nName=Paced_tone_440_Hz (Paced_tone_440_Hz)\n");
        prefs.close();
        form = std::make_unique<TForm1>(&boxes);
        ASSERT_TRUE(form->mixok);
        ASSERT_TRUE(form->ComboRecLines->currentText().startsWith(QStringLiteral("Paced")));
        // An input that was idle takes a moment to wake up: start once the meter hears it.
        ASSERT_TRUE(RunUntil([&] { return form->tmpdata != 0; }, 3000))
            << "waiting for the monitored input's sound";
        watch.Restart();
    }
    void TearDown() override {
        SuspendInput(false);
        form.reset();
    }
    void SuspendInput(bool suspend) {
        server.Stall("sarvo_paced", suspend);
        watch.Restart(); // the shell call held the loop, not the window
    }
    QStringList Recordings() const {
        return QDir(form->mp3Folder).entryList({QStringLiteral("Rec-*.mp3")}, QDir::Files, QDir::Name);
    }
    QString Newest() const { return form->mp3Folder + Recordings().constLast(); }
    // What the window says when the paced input failed: why, then the engine's text.
    QString Failure(bool recorded, const char* engineText) const {
        return form->InputGoneText(QStringLiteral("Paced_tone_440_Hz"), recorded) + QStringLiteral("\r\n") +
               QString::fromLatin1(engineText);
    }

    TPrivateSoundServer server;
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TForm1> form;
    TLoopWatch watch;
};

} // namespace

TEST_F(StalledInput, ARecordingWhoseInputStopsEndsWithTheMessageAndKeepsWhatItHad) {
    form->RecClick();
    RunFor(3000);
    SuspendInput(true);
    QElapsedTimer sinceSuspended;
    sinceSuspended.start();
    ASSERT_TRUE(RunUntil([&] { return !boxes.shown.isEmpty(); }, 5000))
        << "waiting for the stalled recording's message";
    std::printf("figure: input suspended 3 s into a recording: message after %lld ms\n",
                static_cast<long long>(sinceSuspended.elapsed()));
    EXPECT_EQ(boxes.warnings.value(0), Failure(true, "Input stopped delivering sound"));
    EXPECT_NE(form->flagState(), flRecord);
    EXPECT_EQ(form->recOutput, nullptr);
    ASSERT_EQ(Recordings().size(), 1);
    EXPECT_GE(LengthMs(Newest()), 2500) << "what was recorded is kept";
    EXPECT_TRUE(EndsWithId3v1Block(Newest())) << "the file is finished like any other";
    EXPECT_LT(watch.LongestMs(), LongestHoldMs) << "the window went on answering";
}

TEST_F(StalledInput, StopDuringASuspensionFinishesAtOnce) {
    form->RecClick();
    RunFor(1500);
    SuspendInput(true);
    RunFor(500);
    const qint64 took = MsOf([&] { form->StopClick(); });
    std::printf("figure: Stop during a suspended input took %lld ms\n", static_cast<long long>(took));
    EXPECT_LT(took, 1000) << "Stop does not wait for the stall limit";
    EXPECT_EQ(form->recOutput, nullptr);
    EXPECT_TRUE(boxes.shown.isEmpty()) << "a stop is not a failure: " << boxes.shown.join(u'|').toStdString();
    ASSERT_EQ(Recordings().size(), 1);
    EXPECT_GE(LengthMs(Newest()), 1300);
    EXPECT_TRUE(EndsWithId3v1Block(Newest()));
    RunFor(300);
    EXPECT_LT(watch.LongestMs(), LongestHoldMs) << "the window went on answering";
}

TEST_F(StalledInput, RecordWhileTheMonitoredInputIsSuspendedStartsAtOnce) {
    RunFor(500); // monitoring is under way
    SuspendInput(true);
    RunFor(500);
    const qint64 took = MsOf([&] { form->RecClick(); });
    std::printf("figure: Record while the monitored input is suspended took %lld ms\n",
                static_cast<long long>(took));
    EXPECT_LT(took, 1000) << "Record does not wait for the stalled monitoring to give up";
    EXPECT_EQ(form->flagState(), flRecord);
    // The input stays silent: the recording fails with the message after the stall limit.
    ASSERT_TRUE(RunUntil([&] { return !boxes.shown.isEmpty(); }, TDXAudioIn::StallTimeout + 2000))
        << "waiting for the stalled recording's message";
    EXPECT_EQ(boxes.warnings.value(0), Failure(false, "Input stopped delivering sound"));
    EXPECT_EQ(form->flagState(), flStop) << "nothing was recorded, so nothing plays";
    EXPECT_TRUE(Recordings().size() <= 1);
    EXPECT_LT(watch.LongestMs(), LongestHoldMs) << "the window went on answering";
}

TEST_F(StalledInput, NoRecordingStartsWithoutTheUserWhenTheServerGoesAndComesBack) {
    form->RecClick();
    RunFor(1500);
    server.Kill();
    ASSERT_TRUE(RunUntil([&] { return !boxes.shown.isEmpty() && form->flagState() != flRecord; }, 5000))
        << "waiting for the lost server's message";
    EXPECT_EQ(boxes.warnings.value(0), Failure(true, "Input failed: DirectSound error 0x88780078"));
    ASSERT_EQ(Recordings().size(), 1);
    ASSERT_TRUE(RunUntil([&] { return form->flagState() == flStop; }, 3000)) << "waiting for standby";

    // Record while the server is away: the message, no file, and the previous recording does not play.
    boxes.Clear();
    form->RecClick();
    ASSERT_TRUE(RunUntil([&] { return !boxes.shown.isEmpty() && form->flagState() != flRecord; }, 5000))
        << "waiting for the failed Record's message";
    EXPECT_EQ(boxes.warnings.value(0), form->Texts.wyd_NoInput) << "the input is gone with the server";
    EXPECT_EQ(form->flagState(), flStop);
    EXPECT_EQ(Recordings().size(), 1) << "a Record that could not start leaves no file";

    // The server comes back: nothing starts by itself.
    boxes.Clear();
    ASSERT_TRUE(server.Start()) << "waiting for the private sound server to start again";
    watch.Restart();
    RunFor(6000);
    EXPECT_EQ(Recordings().size(), 1) << "no recording without a user action";
    EXPECT_EQ(form->flagState(), flStop);
    EXPECT_EQ(form->MP3Out1.Status(), tosIdle);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join(u'|').toStdString();
    EXPECT_LT(watch.LongestMs(), LongestHoldMs) << "the window went on answering";

    // And the user's next recording works.
    form->RecClick();
    RunFor(1000);
    form->StopClick();
    EXPECT_EQ(Recordings().size(), 2);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join(u'|').toStdString();
}
