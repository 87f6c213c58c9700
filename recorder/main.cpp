// Program entry: the application, its priority and the main window.

#include "ShellServices.h"
#include "Unit1.h"
#include "UnitInfos.h"
#include "UnitPrefs.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
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

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sarvo MP3 Recorder"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sarvo MP3 Recorder"));
    ShellServices::RaiseProcessPriority();
    TForm1 form;
    if (form.StartupAborted()) return 1;
    // Both are children of the main window, which they live and end with.
    form.prefs = new Tprefs(form);
    form.Infos = new TInfos(form);
    CloseOnTerminationSignals(form);
    form.Infos->exec(); // the splash, closing itself after its countdown
    if (form.Closed()) return 0; // the session ended during the splash
    form.show();
    return QApplication::exec();
}
