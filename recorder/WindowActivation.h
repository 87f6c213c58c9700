#pragma once
// Bringing a window of this program to the front because another program asked for it: a later
// start of the recorder, the desktop's media panel. Window managers refuse the focus to a program
// the user is not working in unless it shows it was asked: on Wayland with the activation token
// the asking start was given; on X11 as a tool acting for the user. Main thread only.

#include <QByteArray>
#include <QString>

class QWidget;

// activationToken: the XDG_ACTIVATION_TOKEN of the start that asked, empty when it had none.
void BringToFront(QWidget& window, const QString& activationToken);

// A start that handed its command over shows no window of its own: the launcher's busy pointer
// for it (X11 startup notification, startupId from DESKTOP_STARTUP_ID) is ended here.
void EndStartupNotification(const QByteArray& startupId);
