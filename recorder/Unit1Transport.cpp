// The transport: record, play, pause, stop, the seek bar, the keyboard and the 25 ms timer.

#include "Unit1.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStorageInfo>
#include <QWindow>

#include <array>

namespace {

constexpr int LampOff = 19;

// Pictures of one state: play, record, stop, pause at rest.
struct TStateLook {
    QString TCachedTexts::*label;
    int play, record, stop, pause;
};

const std::array<TStateLook, 5> StateLooks{{
    {&TCachedTexts::wyd_Play, 5, 0, 8, 12},
    {&TCachedTexts::wyd_Standby, 4, 0, 9, 12},
    {&TCachedTexts::wyd_PlayPause, 5, 0, 8, 13},
    {&TCachedTexts::wyd_Recording, 4, 1, 8, 12},
    {&TCachedTexts::wyd_RecordingPause, 4, 1, 8, 13},
}};

enum class TKeyAction { None, Play, Stop, Pause, Record };

TKeyAction ActionOfKey(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_MediaTogglePlayPause:
    case Qt::Key_MediaPlay:
        return TKeyAction::Play;
    case Qt::Key_Escape:
    case Qt::Key_Space:
    case Qt::Key_0: // the digit row and the keypad alike
        return TKeyAction::Stop;
    case Qt::Key_P:
    case Qt::Key_Period: // the full stop and the keypad's decimal point
        return TKeyAction::Pause;
    case Qt::Key_R:
    case Qt::Key_Plus: // the keypad's, or the plus/equals key with shift
    case Qt::Key_Equal:
        return TKeyAction::Record;
    default:
        return TKeyAction::None;
    }
}

} // namespace

void TForm1::SetflagState(TflState value) {
    FflagState = value;
    if (value < flPlay || value > flRecPause) return;
    const TStateLook& look = StateLooks[value];
    SetLabelText(*Labelboutons, Texts.*look.label);
    wydPlay->SetIndexNormal(look.play);
    wydRecord->SetIndexNormal(look.record);
    wydStop->SetIndexNormal(look.stop);
    wydPause->SetIndexNormal(look.pause);
    wydPlay->SetIndexDown(5);
    wydRecord->SetIndexDown(1);
    wydStop->SetIndexDown(9);
    wydPause->SetIndexDown(13);
    emit flagStateChanged();
}

bool TForm1::RecordingOpen() const {
    return recOutput && (FflagState == flRecord || FflagState == flRecPause);
}

bool TForm1::RowSelected() const { return !Mp3List->selectedItems().isEmpty(); }

void TForm1::StartMonitoring() {
    EndOfInput = false; // a run that ended the capture must not silence the next one
    NULLOut1.Run();
}

void TForm1::RecClick() {
    if (FflagState == flPlay || FflagState == flPause) StopClick();
    if (recOutput && recOutput->Status() == tosPaused) {
        recOutput->Resume();
        SetflagState(flRecord);
        return;
    }
    if (FflagState != flStop || recOutput) return;
    const QString path = NewRecordName();
    if (path.isEmpty() || !RoomToRecord()) return;
    // The chosen input is gone (unless it came back a moment ago): say so, rather than record
    // another one or nothing.
    if (!FChosenSource.empty() && InputIndexOf(FChosenSource) < 0) InputsChanged();
    if (!FChosenSource.empty() && InputIndexOf(FChosenSource) < 0) {
        FBoxes->ShowWarning(this, Texts.wyd_NoInput);
        return;
    }
    NULLOut1.Stop(false);
    recOutput = &MP3Out1;
    MP3Out1.SetFileName(QFile::encodeName(path).toStdString());
    try {
        EndOfInput = false;
        MP3Out1.Run();
    } catch (...) {
        // Nothing is open: leave the transport as it was, listening again.
        recOutput = nullptr;
        if (MP3Out1.Status() == tosIdle) StartMonitoring();
        throw;
    }
    FRecordingPath = path;
    FRecordingRun = MP3Out1.RunSerial();
    FFinishLate = false;
    SetflagState(flRecord);
}

void TForm1::PauseClick() {
    try {
        switch (FflagState) {
        case flPlay:
            mp3player.Pause();
            SetflagState(flPause);
            break;
        case flRecord:
            if (recOutput) recOutput->Pause();
            SetflagState(flRecPause);
            break;
        case flPause:
            PlayClick();
            break;
        case flRecPause:
            RecClick();
            break;
        case flStop:
            break;
        }
    } catch (...) {
        SetflagState(flStop);
    }
}

void TForm1::FinishRecording() {
    SetflagState(flStop);
    recOutput->Stop(true);
    const bool ended = WaitForRecordingToEnd();
    recOutput = nullptr;
    if (!ended) {
        // The run's own OnDone finishes the rest once its file is complete.
        FFinishLate = true;
        FBoxes->ShowMessage(this, Texts.wyd_FinishLate);
        return;
    }
    AfterRecording(FRecordingPath);
}

bool TForm1::WaitForRecordingToEnd() {
    if (recOutput->Status() == tosIdle) return true;
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (recOutput->Status() == tosIdle || waited.hasExpired(FinishTimeoutMs)) loop.quit();
    });
    poll.start(5);
    // Painting, the timer and the engine's reports go on; the user's input waits until the end.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return recOutput->Status() == tosIdle;
}

void TForm1::AfterRecording(const QString& recorded) {
    RefillSortedByDate();
    // Only a recording that holds sound plays: a run that failed at once left no file, or none
    // that plays.
    const QList<QTreeWidgetItem*> rows =
        Mp3List->findItems(RemoveExtension(QFileInfo(recorded).fileName()), Qt::MatchExactly, 0);
    if (!rows.isEmpty() && !GetMp3Properties(QFile::encodeName(recorded)).time.isEmpty()) {
        Mp3List->setCurrentItem(rows.first());
        Mp3ListClick();
    }
    if (NULLOut1.Status() == tosIdle && MP3Out1.Status() == tosIdle) StartMonitoring();
}

void TForm1::StopClick() {
    if (RecordingOpen()) {
        FinishRecording();
        return;
    }
    Progres2->SetPosition(0);
    if (FflagState != flPlay && FflagState != flPause) return;
    mp3player.Stop();
    mp3player.SetPosition(0);
    SetflagState(flStop);
    if (NULLOut1.Status() == tosIdle) StartMonitoring();
}

void TForm1::PlayClick() {
    if (RecordingOpen()) FinishRecording();
    try {
        if (RowSelected() && !mp3player.FileName().empty() && FflagState != flPlay) {
            mp3player.Play();
            SetflagState(flPlay);
        }
    } catch (...) {
        SetflagState(flStop);
    }
}

void TForm1::Progres1MouseUp(int X) {
    if (!RowSelected() || RecordingOpen() || mp3player.FileName().empty() || Progres2->width() <= 0) return;
    // A release outside the bar seeks to its nearer end.
    const int64_t x = std::clamp(X, 0, Progres2->width());
    const int64_t position = x * Progres2->Maxi() / Progres2->width();
    Progres2->SetPosition(position);
    mp3player.SetPosition(position);
    if (FflagState == flPlay) {
        mp3player.Play();
    } else {
        SetflagState(flPause);
        mp3player.Pause();
    }
}

void TForm1::ShowPlayingPosition() {
    VuCircle->SetIndexNormal(LampOff);
    InputVuMeter->SetPosition(InputVuMeter->Mini());
    if (Progres2->Maxi() != 0) {
        Progres2->SetPosition(static_cast<long double>(mp3player.Position()));
        Cadran->SetCaption(PlayTimeText());
    }
    // A run that ended before the end of the file (the sound server went away) ends playback too.
    const bool failed = FflagState == flPlay && !mp3player.Playing();
    if (failed || Progres2->Position() >= Progres2->Maxi()) {
        mp3player.SetPosition(0);
        Progres2->SetPosition(0);
        SetflagState(flStop);
    }
}

void TForm1::ShowRecordingTime() {
    if (recOutput->Status() == tosIdle || DXAudioIn1.FramesInBuffer() == 0) return;
    Progres2->SetPosition(0);
    Cadran->SetCaption(RecTimeText());
    // The lamp lights up step by step every other tick, then holds the brightest picture.
    if (clignotempo % 2 == 0 && clignotempo <= 8) VuCircle->SetIndexNormal(LampOff + clignotempo / 2);
    try {
        if (MeterSeen()) UpdateLevelMeter();
    } catch (...) {
    }
}

bool TForm1::MeterSeen() const {
    const bool hiddenByUser = isHidden() && testAttribute(Qt::WA_WState_ExplicitShowHide);
    return !isMinimized() && !hiddenByUser;
}

void TForm1::ProgresTimerTimer() {
    clignotempo = clignotempo <= 10 ? clignotempo + 1 : 0;
    if (FflagState == flPlay || FflagState == flPause) {
        ShowPlayingPosition();
    } else if (RecordingOpen()) {
        ShowRecordingTime();
        GuardDiskWhileRecording();
    } else {
        Cadran->SetCaption(QStringLiteral("00:00:00"));
        VuCircle->SetIndexNormal(LampOff);
        if (NULLOut1.Status() == tosIdle) tmpdata = 0; // nothing is measured: the floor
        // From the floor each step, set once, so that a steady level repaints nothing.
        if (MeterSeen()) InputVuMeter->SetPosition(NextMeterLevel().value_or(InputVuMeter->Mini()));
    }
}

QString TForm1::ClockText(int64_t ms) {
    const int64_t hours = ms / 3600000;
    const int64_t minutes = ms / 60000 - 60 * hours;
    const int64_t seconds = ms / 1000 - 60 * (ms / 60000);
    return QString::asprintf("%2.2lld:%2.2lld:%2.2lld", static_cast<long long>(hours),
                             static_cast<long long>(minutes), static_cast<long long>(seconds));
}

QString TForm1::PlayTimeText() {
    mp3player.SetTimeFormat(tfMilliseconds);
    return ClockText(mp3player.Position());
}

QString TForm1::RecTimeText() const { return ClockText(int64_t{MP3Out1.TimeElapsed()} * 1000); }

QString TForm1::NewRecordName() const {
    if (mp3Folder.isEmpty()) return {};
    return RecordName(mp3Folder,
                      QDateTime::currentDateTime()); // one reading: date and time agree at midnight
}

QString TForm1::RecordName(const QString& folder, const QDateTime& now) {
    const QDate date = now.date();
    const QTime time = now.time();
    const QString stem = folder + QStringLiteral("Rec-") +
                         QString::asprintf("%2.4d-%2.2d-%2.2d-%2.2d-%2.2d-%2.2d", date.year(), date.month(),
                                           date.day(), time.hour(), time.minute(), time.second());
    // Never write over an earlier recording of the same second.
    QString path = stem + QStringLiteral(".mp3");
    for (int n = 2; QFileInfo::exists(path); ++n) path = stem + QStringLiteral("-%1.mp3").arg(n);
    return path;
}

void TForm1::SetPlayerVolume(int32_t volume) { mp3player.SetVolume(volume); }

bool TForm1::ApplicationEvents1ShortCut(const QKeyEvent& key) {
    if (!isActiveWindow() || isEditing) return false;
    if (key.isAutoRepeat()) return true;
    switch (ActionOfKey(key.key())) {
    case TKeyAction::Play:
        PlayClick();
        return false;
    case TKeyAction::Stop:
        StopClick();
        return false;
    case TKeyAction::Pause:
        PauseClick();
        return false;
    case TKeyAction::Record:
        RecClick();
        return false;
    case TKeyAction::None:
        break;
    }
    return true;
}

void TForm1::wydStopMouseDown() {
    if (!RecordingOpen()) return;
    StatusBar1->SetPanelText(Texts.wyd_PleaseWait);
    StatusBar1->repaint(); // the finishing wait holds the event loop
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FWaitCursor = true;
}

void TForm1::MP3Out1Done() {
    StatusBar1->SetPanelText(QString());
    if (FWaitCursor) QApplication::restoreOverrideCursor();
    FWaitCursor = false;
    if (MP3Out1.ReportedRun() != FRecordingRun) return; // an older run's late word
    if (FFinishLate) {
        FFinishLate = false;
        AfterRecording(FRecordingPath);
    } else if (RecordingOpen()) {
        StopClick(); // the run ended by itself: the window follows the engine
    }
}

void TForm1::MP3Out1ThreadException() {
    if (MP3Out1.ReportedRun() != FRecordingRun) return; // an older run's late word
    const QFileInfo file(QFile::decodeName(QByteArray::fromStdString(MP3Out1.FileName())));
    const bool recorded = AudioProcessor1.Position() > 0;
    ShowRunFailure(MP3Out1.ExceptionMessage(), file.exists(), recorded);
    // A run that failed before writing anything leaves an empty file, not a recording.
    if (file.exists() && file.size() == 0) QFile::remove(file.filePath());
    if (RecordingOpen()) StopClick();
}

QString TForm1::InputGoneText(const QString& input, bool recorded) const {
    QString text = QString(Texts.wyd_InputGone)
                       .replace(QStringLiteral("XXXXXX"), QStringLiteral("\u201C%1\u201D").arg(input));
    return recorded ? text + QLatin1Char(' ') + Texts.wyd_RecordingSaved : text;
}

void TForm1::TellInputGone(bool recorded, const QString& engineText) {
    // A run that failed on it says so even when the list change said it first: it adds what was kept.
    if (FToldInputGone && engineText.isEmpty()) return;
    FToldInputGone = true;
    const QString reason = InputGoneText(FChosenName, recorded);
    FBoxes->ShowWarning(this, engineText.isEmpty() ? reason : reason + QStringLiteral("\r\n") + engineText);
}

void TForm1::ShowRunFailure(const std::string& engineText, bool fileMade, bool recorded) {
    const QString engine = QString::fromStdString(engineText);
    const auto withEngineText = [&engine](const QString& reason) {
        return reason + QStringLiteral("\r\n") + engine;
    };
    const QString folder = QDir::toNativeSeparators(mp3Folder);
    for (const char* inputFailure :
         {"Input stopped delivering sound", "Input failed", "Failed to create DirectSound"})
        if (engineText.rfind(inputFailure, 0) == 0) return TellInputGone(recorded, engine);
    if (engineText == "Invalid device number")
        return FBoxes->ShowWarning(this, withEngineText(Texts.wyd_NoInput));
    if (!fileMade || engineText == "Error writing down mp3 file") {
        // A full disk and a folder that refuses the file read alike to the engine.
        // A folder that is gone has no disk to speak of: that is not a full one.
        const QStorageInfo disk(mp3Folder);
        const bool full = disk.isValid() && disk.isReady() && disk.bytesAvailable() < DiskFullBytes;
        const QString reason = full ? Texts.wyd_DiskFull : Texts.wyd_FolderNotWritable;
        return FBoxes->ShowError(this,
                                 withEngineText(QString(reason).replace(QStringLiteral("XXXXXX"), folder)));
    }
    if (!engine.isEmpty()) FBoxes->ShowError(this, engine);
}

void TForm1::ReportErrors(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        FBoxes->ShowMessage(this, QString::fromUtf8(e.what()));
    }
}
