// Program entry: the command line, one recorder per session, the application, its priority and
// the main window.

#include "CommandLine.h"
#include "MediaControls.h"
#include "RemoteControl.h"
#include "ShellServices.h"
#include "SingleInstance.h"
#include "Unit1.h"
#include "UnitInfos.h"
#include "UnitPrefs.h"
#include "WindowActivation.h"

#include <QApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int terminationPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    (void)!write(terminationPipe[1], &byte, 1);
}

// SIGTERM and SIGINT close the main window like its close button, so a recording in progress is
// finished and its file completed when the session ends.
void CloseOnTerminationSignals(QWidget& window) {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, terminationPipe) != 0) return;
    auto* notifier = new QSocketNotifier(terminationPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        (void)!read(terminationPipe[0], &byte, 1);
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// One line on stderr, whatever the text holds (a folder's name may hold a line break).
void Complain(QString text) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fputs(("sarvo-mp3-recorder: " + text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

// What a start that hands its command to the session's recorder ends with.
int ExitStatusOf(const TSingleInstance::TReply& reply, TRemoteCommand command) {
    switch (reply.answer) {
    case TSingleInstance::anDone:
        return 0;
    case TSingleInstance::anRefused:
        Complain(reply.reason);
        break;
    case TSingleInstance::anNotRunning:
        Complain(StartsTheProgram(command)
                     ? QStringLiteral("no recorder is running, and no display to start one on")
                     : QStringLiteral("no recorder is running"));
        break;
    case TSingleInstance::anNoAnswer:
        Complain(QStringLiteral("the running recorder did not answer: ") + reply.reason);
        break;
    }
    return 1;
}

bool DisplayNamed() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// The whole program, in the process that is the session's recorder.
int RunRecorder(TSingleInstance& instance, TRemoteCommand command) {
    ShellServices::RaiseProcessPriority();
    TForm1 form(nullptr, nullptr, TListReading::WhenTheLoopRuns); // the splash does not wait for the list
    if (form.StartupAborted()) return 1;
    TRemoteControl remote(form);
    instance.SetHandler(
        [&remote](TRemoteCommand request, const QString& token) { return remote.Request(request, token); });
    struct TForgetHandler {
        TSingleInstance& instance;
        ~TForgetHandler() { instance.SetHandler(nullptr); }
    } forget{instance};
    // Both are children of the main window, which they live and end with.
    form.prefs = new Tprefs(form);
    form.Infos = new TInfos(form);
    CloseOnTerminationSignals(form);
    form.Infos->exec();          // the splash, closing itself after its countdown
    if (form.Closed()) return 0; // the session ended during the splash
    form.show();
    remote.WindowUp();
    if (command != rcRaise)
        if (const QString refusal = remote.Request(command); !refusal.isEmpty()) Complain(refusal);
    TMediaControls media(form, remote, instance.Bus());
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine line = ParseCommandLine(arguments);
    if (!line.error.isEmpty()) {
        Complain(line.error + QStringLiteral("; see --help"));
        return BadUsageStatus;
    }
    if (line.help || line.version) {
        const QString text =
            line.help ? HelpText(QFileInfo(QString::fromLocal8Bit(argv[0])).fileName()) : VersionText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    // A command for a running recorder needs no display; one that may start the recorder does.
    if (!StartsTheProgram(line.command) || !DisplayNamed()) {
        QCoreApplication app(argc, argv);
        TSingleInstance instance;
        return ExitStatusOf(instance.Send(line.command), line.command);
    }
    const QByteArray startupId = qgetenv("DESKTOP_STARTUP_ID"); // the toolkit takes it away
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sarvo MP3 Recorder"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sarvo MP3 Recorder"));
    TSingleInstance instance;
    if (!instance.Claim()) {
        const int status = ExitStatusOf(instance.Send(line.command), line.command);
        EndStartupNotification(startupId);
        return status;
    }
    return RunRecorder(instance, line.command);
}
