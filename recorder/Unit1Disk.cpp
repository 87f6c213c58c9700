// The disk guard of the main window: a recording never runs the disk full.

#include "Unit1.h"

std::optional<int64_t> TForm1::RecordingSecondsLeft() const {
    return DiskGuard.SecondsLeft(mp3Folder, BitrateKbps(MP3Out1.BitRate()));
}

bool TForm1::HasRoomToRecord() const {
    const std::optional<int64_t> left = RecordingSecondsLeft();
    return !left || *left >= TDiskGuard::StopBelowSeconds;
}

bool TForm1::RoomToRecord() {
    DiskGuard.Restart(); // the new recording's first tick looks again, and shows the time left
    if (HasRoomToRecord()) return true;
    FBoxes->ShowMessage(this, FillName(Texts.wyd_DiskFullNoRecord, mp3Folder));
    return false;
}

void TForm1::GuardDiskWhileRecording() {
    if (!DiskGuard.Due()) return;
    const std::optional<int64_t> left = RecordingSecondsLeft();
    if (left && *left < TDiskGuard::StopBelowSeconds) {
        ShowTimeLeft({});
        StopClick(); // while the end of the file still fits: whole frames and the ID3v1 block
        FBoxes->ShowMessage(this, FillName(Texts.wyd_DiskFullStop, mp3Folder));
        return;
    }
    const bool low = left && *left < TDiskGuard::WarnBelowSeconds;
    ShowTimeLeft(low ? FillName(Texts.wyd_DiskTimeLeft, ClockText(*left * 1000)) : QString());
}

void TForm1::ShowTimeLeft(const QString& text) {
    // A tip or another text on the status line is only replaced by a time that is left.
    if (text.isEmpty() && StatusBar1->PanelText != FTimeLeftText) return;
    FTimeLeftText = text;
    StatusBar1->SetPanelText(text);
}
