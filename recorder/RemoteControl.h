#pragma once
// Requests from outside the window (later starts, the desktop's media controls) reach the main
// window here. Each is answered at once; its action runs after the answer, so a message box or
// the wait for a recording's end never holds up the one who asked. Main thread only.

#include "CommandLine.h"

#include <QList>
#include <QString>

class TForm1;

class TRemoteControl {
public:
    explicit TRemoteControl(TForm1& form) : FForm(form) {}

    // Empty when the request is done or under way, otherwise why it is not possible now.
    // Before the main window is up (the splash), accepted commands wait for it. activationToken:
    // what lets the window come to the front when it is asked to (see BringToFront).
    QString Request(TRemoteCommand command, const QString& activationToken = {});
    // The main window is shown: the commands that waited for it run, in order.
    void WindowUp();

private:
    // The window, or the dialog it is waiting on, comes to the front.
    void Raise(const QString& activationToken);

    TForm1& FForm;
    bool FWindowUp = false;
    QList<TRemoteCommand> FWaiting; // accepted before the window was up
};
