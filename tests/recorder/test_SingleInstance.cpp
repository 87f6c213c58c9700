// One recorder per session where there is no session bus: a lock and a local socket in the runtime
// folder. A second "process" is a thread here, asking while this thread answers.

#include "SingleInstance.h"
#include "WindowTestKit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <future>
#include <vector>

namespace {

struct SocketInstance : testing::Test {
    QTemporaryDir runtime;
    QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    std::vector<TRemoteCommand> handled;
    QStringList tokens; // the activation token of each request

    void SetUp() override { qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit()); }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", savedRuntime); }

    // A handler that takes every command but a second Record.
    TSingleInstance::THandler Recorder() {
        return [this](TRemoteCommand command, const QString& token) {
            tokens << token;
            const bool again = command == rcRecord && !handled.empty() && handled.back() == rcRecord;
            handled.push_back(command);
            return again ? QStringLiteral("already recording") : QString();
        };
    }
};

// Asks from another thread, as a later start would, while this thread's event loop answers.
TSingleInstance::TReply SendFromElsewhere(TRemoteCommand command) {
    std::future<TSingleInstance::TReply> reply = std::async(std::launch::async, [command] {
        TSingleInstance later(false);
        return later.Send(command);
    });
    const bool answered =
        RunUntil([&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                 3 * TSingleInstance::AnswerTimeoutMs);
    EXPECT_TRUE(answered) << "the request was not answered in time";
    return reply.get();
}

} // namespace

TEST_F(SocketInstance, TheFirstStartClaimsTheSessionAndALaterOneHandsItsCommandsOver) {
    TSingleInstance first(false);
    ASSERT_FALSE(first.UsesBus());
    ASSERT_TRUE(first.Claim());
    first.SetHandler(Recorder());
    TSingleInstance second(false);
    EXPECT_FALSE(second.Claim()) << "one recorder per session";

    qputenv("XDG_ACTIVATION_TOKEN", "token-of-that-start");
    EXPECT_EQ(SendFromElsewhere(rcRaise).answer, TSingleInstance::anDone);
    qunsetenv("XDG_ACTIVATION_TOKEN");
    EXPECT_EQ(SendFromElsewhere(rcRecord).answer, TSingleInstance::anDone);
    const TSingleInstance::TReply refused = SendFromElsewhere(rcRecord);
    EXPECT_EQ(refused.answer, TSingleInstance::anRefused);
    EXPECT_EQ(refused.reason, QStringLiteral("already recording"));
    EXPECT_EQ(SendFromElsewhere(rcToggle).answer, TSingleInstance::anDone);
    EXPECT_EQ(handled, (std::vector{rcRaise, rcRecord, rcRecord, rcToggle}));
    EXPECT_EQ(tokens, (QStringList{QStringLiteral("token-of-that-start"), {}, {}, {}}))
        << "the token goes along";
}

TEST_F(SocketInstance, ARecorderStillStartingSaysSo) {
    TSingleInstance first(false);
    ASSERT_TRUE(first.Claim());
    const TSingleInstance::TReply reply = SendFromElsewhere(rcStop);
    EXPECT_EQ(reply.answer, TSingleInstance::anRefused);
    EXPECT_EQ(reply.reason, QStringLiteral("the recorder is still starting"));
}

TEST_F(SocketInstance, WithNoRecorderRunningACommandIsToldSoAtOnce) {
    EXPECT_EQ(SendFromElsewhere(rcStop).answer, TSingleInstance::anNotRunning);
    // Nor after a recorder has ended.
    {
        TSingleInstance ended(false);
        ASSERT_TRUE(ended.Claim());
    }
    EXPECT_EQ(SendFromElsewhere(rcStop).answer, TSingleInstance::anNotRunning);
    TSingleInstance next(false);
    EXPECT_TRUE(next.Claim()) << "the session is free again";
}

TEST_F(SocketInstance, TheLockOfARecorderThatWasKilledIsTakenOver) {
    QProcess gone;
    gone.start(QStringLiteral("true"));
    ASSERT_TRUE(gone.waitForFinished(5000));
    const qint64 deadPid = gone.processId() > 0 ? gone.processId() : 999999;
    QFile lock(runtime.filePath(QStringLiteral("sarvo-mp3-recorder.lock")));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(deadPid) + "\nsarvo-mp3-recorder\n\n");
    lock.close();
    QFile leftSocket(runtime.filePath(QStringLiteral("sarvo-mp3-recorder.socket")));
    ASSERT_TRUE(leftSocket.open(QIODevice::WriteOnly)) << "what a killed recorder leaves";
    leftSocket.close();

    TSingleInstance next(false);
    ASSERT_TRUE(next.Claim());
    next.SetHandler(Recorder());
    EXPECT_EQ(SendFromElsewhere(rcPlay).answer, TSingleInstance::anDone) << "its socket answers";
}

TEST_F(SocketInstance, AClientThatSaysNothingIsLetGoAndTheOthersAreAnswered) {
    TSingleInstance first(false);
    ASSERT_TRUE(first.Claim());
    first.SetHandler(Recorder());
    QLocalSocket silent;
    silent.connectToServer(runtime.filePath(QStringLiteral("sarvo-mp3-recorder.socket")));
    ASSERT_TRUE(silent.waitForConnected(2000));
    EXPECT_EQ(SendFromElsewhere(rcPause).answer, TSingleInstance::anDone);
    EXPECT_TRUE(RunUntil([&] { return silent.state() == QLocalSocket::UnconnectedState; },
                         2 * TSingleInstance::AnswerTimeoutMs))
        << "the silent client was never let go";

    QLocalSocket rambling;
    rambling.connectToServer(runtime.filePath(QStringLiteral("sarvo-mp3-recorder.socket")));
    ASSERT_TRUE(rambling.waitForConnected(2000));
    rambling.write(QByteArray(10000, 'x'));
    EXPECT_TRUE(RunUntil([&] { return rambling.state() == QLocalSocket::UnconnectedState; },
                         2 * TSingleInstance::AnswerTimeoutMs))
        << "the rambling client was never let go";
    EXPECT_TRUE(rambling.readAll().startsWith("refused unknown command")) << "a long line is not a command";
    EXPECT_EQ(handled, std::vector{rcPause});
}

TEST(RuntimeFolder, WithoutXdgRuntimeDirAFolderOfThisUserOnly) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    const QString folder = TSingleInstance::RuntimeFolder();
    qputenv("XDG_RUNTIME_DIR", saved);
    const QFileInfo info(folder);
    EXPECT_TRUE(info.isDir());
    EXPECT_TRUE(folder.startsWith(QDir::tempPath()));
    EXPECT_EQ(
        info.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther), 0);
}
