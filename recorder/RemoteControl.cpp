#include "RemoteControl.h"

#include "Unit1.h"
#include "WindowActivation.h"

#include <QApplication>

#include <utility>

QString TRemoteControl::Request(TRemoteCommand command, const QString& activationToken) {
    if (command == rcRaise) {
        Raise(activationToken);
        return {};
    }
    if (!FWindowUp) {
        const QString refusal = FForm.RemoteRefusal(command);
        if (refusal.isEmpty()) FWaiting << command;
        return refusal;
    }
    // The settings window or a question is open: the window's keys do nothing then either.
    if (QApplication::activeModalWidget()) {
        Raise(activationToken);
        return QStringLiteral("the recorder is waiting for an answer in one of its windows");
    }
    return FForm.RemoteCommand(command);
}

void TRemoteControl::WindowUp() {
    FWindowUp = true;
    for (const TRemoteCommand command : std::exchange(FWaiting, {})) FForm.RemoteCommand(command);
}

void TRemoteControl::Raise(const QString& activationToken) {
    QWidget* front = QApplication::activeModalWidget();
    if (!front && FWindowUp) front = &FForm;
    if (front) BringToFront(*front, activationToken);
}
