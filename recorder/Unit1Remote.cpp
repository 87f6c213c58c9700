// Commands from outside the main window (later starts, the desktop's media controls): the actions
// of the window's keys, with the reason in words when one is not possible in the state it is in.

#include "Unit1.h"

namespace {

bool StartsARecording(TRemoteCommand command, bool recordingOpen) {
    return (command == rcRecord || command == rcToggle) && !recordingOpen;
}

} // namespace

QString TForm1::RemoteRefusal(TRemoteCommand command) const {
    const bool recording = RecordingOpen();
    if (recOutput && !recording) return QStringLiteral("the last recording is still being finished");
    switch (command) {
    case rcRecord:
        if (FflagState == flRecord) return QStringLiteral("already recording");
        break;
    case rcPause:
    case rcStop:
        if (FflagState == flStop) return QStringLiteral("nothing is playing or recording");
        break;
    case rcPlay:
        if (recording) break; // the recording is finished and plays
        if (FflagState == flPlay) return QStringLiteral("already playing");
        if (!RowSelected() || mp3player.FileName().empty())
            return QStringLiteral("no recording is selected to play");
        break;
    case rcToggle:
    case rcRaise:
        break;
    }
    if (StartsARecording(command, recording)) {
        if (mp3Folder.isEmpty()) return QStringLiteral("there is no recordings folder");
        if (!HasRoomToRecord())
            return QStringLiteral("the disk of %1 has no room for %2 s of recording")
                .arg(mp3Folder)
                .arg(TDiskGuard::StopBelowSeconds);
    }
    return {};
}

QString TForm1::RemoteCommand(TRemoteCommand command) {
    const QString refusal = RemoteRefusal(command);
    // Refused for want of room, the Record action still runs: the window says why as for a click.
    const bool saidByTheWindow = StartsARecording(command, RecordingOpen()) && !HasRoomToRecord();
    if (refusal.isEmpty() || saidByTheWindow)
        QTimer::singleShot(0, this,
                           [this, command] { ReportErrors([this, command] { RemoteAction(command); }); });
    return refusal;
}

void TForm1::RemoteAction(TRemoteCommand command) {
    switch (command) {
    case rcRecord:
        RecClick();
        break;
    case rcPause:
        PauseClick();
        break;
    case rcStop:
        StopClick();
        break;
    case rcToggle:
        if (RecordingOpen())
            StopClick();
        else
            RecClick();
        break;
    case rcPlay:
        PlayClick();
        break;
    case rcRaise:
        break;
    }
}
