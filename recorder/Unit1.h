#pragma once
// The main window: start-up, folders, settings, language and the transport state.

#include "AudioProcessor.h"
#include "CommandLine.h"
#include "DXAudioIn.h"
#include "DiskGuard.h"
#include "IniFile.h"
#include "MP3In.h"
#include "MP3Out.h"
#include "MediaPlayer.h"
#include "MessageBoxes.h"
#include "SysAudioMixer.h"
#include "WindowHost.h"
#include "uLanguages.h"
#include "wydExtImage.h"
#include "wydPanel.h"
#include "wydPngButton.h"
#include "wydSlider.h"
#include "wydVProgress.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>
#include <QUrl>
#include <QWidget>

#include <array>
#include <atomic>
#include <optional>

enum TflState : int { flPlay, flStop, flPause, flRecord, flRecPause };

// Where one recording input lives: mixer, destination and source line, and the capture device
// whose name matches the mixer (-1 when none did). The positions are today's; Source (the sound
// server's name of the device) is what finds the input again once inputs came or went.
struct TMixLine {
    int32_t SysMix = 0, DestMix = 0, LineMix = 0, dxmixnum = -1;
    std::string Source;
};
using TMixLines = std::array<TMixLine, 51>;

// What one recording's file holds, for the list.
struct TMp3properties {
    QString time; // hh:mm:ss, empty when the file could not be read
};

// The status line: one owner-drawn panel 400 wide.
class TStatusBar1 : public QWidget {
public:
    explicit TStatusBar1(QWidget* parent) : QWidget(parent) {}
    QString PanelText;
    void SetPanelText(const QString& text) {
        PanelText = text;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override;
};

// The message texts of the main window, refreshed on every change of language.
struct TCachedTexts {
    QString wyd_Play, wyd_PlayPause, wyd_Standby, wyd_Recording, wyd_RecordingPause, wyd_Settings, wyd_Help,
        wyd_RecName, wyd_DateAndTime, wyd_Length, wyd_FileSize, wyd_Warning, wyd_MsgDeleteAll, wyd_PleaseWait,
        wyd_FileNotExist, wyd_MP3NotValide, wyd_BadFileName, wyd_NoRenaming, wyd_DirNotExist, wyd_DirCreated,
        wyd_CannotCreateDir, wyd_UseDefaultDir, wyd_NoCompliantInputDevice1, wyd_NoCompliantInputDevice2,
        wyd_NoCompliantInputDevice3, wyd_MenuPlay, wyd_MenuRename, wyd_MenuDelete, wyd_MenuDeleteAll,
        wyd_FinishLate, wyd_InputGone, wyd_RecordingSaved, wyd_NoInput, wyd_DiskFull, wyd_FolderNotWritable;
    QString wyd_DiskTimeLeft, wyd_DiskFullStop, wyd_DiskFullNoRecord;

    // Fills every text from the table, in the order the window has always looked them up.
    void Load(const TLanguage& table);
};

class QDateTime;
class Tprefs;
class TInfos;
class QKeyEvent;

// Sets a label's text and sizes the label to it, as the window's labels size themselves; a text too
// long for the room left in the parent is drawn smaller rather than cut.
void SetLabelText(QLabel& label, const QString& text);

// True when a saved input names that entry of the input list, also in the form saved before an
// input named after its mixer was shown once (the name, then the mixer's name in parentheses).
bool IsSavedInput(const QString& entry, const QString& saved);

// The text before a name's last '.'; a name ending with '.' or without one comes back whole.
QString RemoveExtension(const QString& name);

// A message with its "XXXXXX" replaced by a file or folder name (or a time).
QString FillName(QString text, const QString& name);

// When the start reads the recordings list: before the window's constructor returns, or once the
// event loop runs, which the program reaches with its first window (the splash) up.
enum class TListReading { AtOnce, WhenTheLoopRuns };

class TForm1 : public QWidget, public TWindowHost {
    Q_OBJECT
public:
    // boxes: where messages go (the real message boxes when null). Runs the whole start-up.
    explicit TForm1(TMessageBoxes* boxes = nullptr, QWidget* parent = nullptr,
                    TListReading listReading = TListReading::AtOnce);
    ~TForm1() override;

    // Folders, each with a trailing separator.
    QString exeFolder;
    QString AppDataFolder;
    QString mp3Folder;
    int Quality = 0; // 0 low, 1 medium, 2 high; other values leave the bit rate alone
    bool croissant = false;

    TLanguage* Traductor = nullptr;
    TCachedTexts Texts;
    // Texts only assistive technology reads, from a table of their own, in the interface language.
    TLanguage* AccessTexts = nullptr;
    QString AccessText(const QString& key) const override;

    // The window's definition: the current skin and the controls drawn from it.
    TwydPngListe* wydPngListe1 = nullptr;
    QFrame* Panel1 = nullptr;
    TwydPngButton* wydPngButton1 = nullptr; // the banner
    TwydExtImage* FondPlayer = nullptr;
    TwydPngButton *wydRecord = nullptr, *wydPlay = nullptr, *wydPause = nullptr, *wydStop = nullptr;
    TwydSlider *SliderMicro = nullptr, *SliderOutput = nullptr, *Progres2 = nullptr;
    TwydPanel* Cadran = nullptr;
    QLabel *Labelboutons = nullptr, *VolumeLabel = nullptr;
    TwydVProgress* InputVuMeter = nullptr;
    TwydPngButton* VuCircle = nullptr;
    TwydPngButton *wydConfigButton = nullptr, *wydInfoButton = nullptr;
    QTreeWidget* Mp3List = nullptr;
    TStatusBar1* StatusBar1 = nullptr;
    QComboBox* ComboRecLines = nullptr; // never shown

    // Loads Skins/<name> beside the program; false when it cannot be read.
    bool LoadSkin(const QString& name) override;
    QString GetSkinName() const;
    // 0 the modern skin, 1 the vintage one; other numbers do nothing.
    void SelectSkin(int number);
    void FormResize();

    TflState flagState() const { return FflagState; }
    void SetflagState(TflState value);

    void ChangeLanguage(const QString& lang) override;
    QString Utilisateur() const;
    QString SystemLanguage() const;
    TIniFile Prefs() const { return TIniFile(AppDataFolder + QStringLiteral("prefs.ini")); }
    TMessageBoxes& Boxes() override { return *FBoxes; }
    QWidget* HostWindow() override { return this; }
    const TLanguage& Language() const override { return *Traductor; }
    QString ProgramFolder() const override { return exeFolder; }
    // True when start-up found no recording input and asked the application to end.
    bool StartupAborted() const { return FStartupAborted; }
    // True once the window has been closed, which ends the program.
    bool Closed() const { return FClosed; }

    // What the pulling sink's worker fills in AudioProcessor1GetData. Declared before the engine,
    // so that it outlives every worker.
    std::atomic<int16_t> tmpdata{0};     // worker of the pulling sink writes; the timer reads
    std::atomic<bool> EndOfInput{false}; // worker writes; the main thread clears it before a run
    std::array<uint8_t, 65536> TmpBuf{}; // the pulling worker's; handed on to the sink

    // The engine. The capture source feeds the processor, which measures the level and feeds
    // whichever sink runs: the null sink while monitoring, the MP3 sink while recording.
    // Declared before the sinks, so the sinks stop first when the window goes (the destructor
    // stops them before anything else).
    TDXAudioIn DXAudioIn1;
    TAudioProcessor AudioProcessor1;
    TSysAudioMixer AudioMixer1;
    TMP3In MP3In1; // reads lengths for the list
    TMediaPlayer mp3player;
    TNULLOut NULLOut1;
    TMP3Out MP3Out1;
    QTimer Timer1;

    // Transport (main thread).
    void RecClick();
    void PauseClick();
    void PlayClick();
    void StopClick();
    void Progres1MouseUp(int X);
    void ProgresTimerTimer();
    // A key press of the application; true when it is consumed.
    bool ApplicationEvents1ShortCut(const QKeyEvent& key);
    void wydStopMouseDown();
    void MP3Out1Done();
    void MP3Out1ThreadException();
    // Says why a recording run failed, in the user's language, with the engine's text after it.
    void ShowRunFailure(const std::string& engineText, bool fileMade, bool recorded);
    // "The input ... is no longer available", and that the recording so far is kept when it is.
    QString InputGoneText(const QString& input, bool recorded) const;
    // Says once that the chosen input is away, with the engine's text when a run failed on it.
    void TellInputGone(bool recorded, const QString& engineText);
    // Below this much free space, a failed write means the disk is full (bytes).
    static constexpr qint64 DiskFullBytes = 1 << 20;
    bool RecordingOpen() const;
    QString PlayTimeText();
    QString RecTimeText() const;
    static QString ClockText(int64_t ms);
    QString NewRecordName() const;
    // The recording file for that moment, with "-2", "-3"... when the name is taken.
    static QString RecordName(const QString& folder, const QDateTime& now);
    void SetPlayerVolume(int32_t volume);
    bool isEditing = false;
    int clignotempo = 0;
    TAuOutput* recOutput = nullptr; // the MP3 sink while a recording is open
    // How long Stop waits for a recording's end to be written before the window goes back to
    // standby and leaves the rest to the run's late OnDone (ms).
    static constexpr int FinishTimeoutMs = 5000;

    // Inputs, volumes and the level meter.
    bool InitMic(TDXAudioIn& dxInput);
    void ComboRecLinesChange();
    void TrackBar1Change();
    void SpiCursor2Change();
    void AudioProcessor1GetData(void*& Buffer, uint32_t& Bytes);
    void UpdateLevelMeter();
    // The meter's next value in decibels from the last peak, held and falling by four fifths per
    // step; none while it rests at silence.
    std::optional<long double> NextMeterLevel();
    // The peak of the buffer's sample pairs, each pair's sum saturated to 16 bits.
    static int16_t PairPeak(const uint8_t* data, int32_t bytes);
    TMixLines mixLines;
    bool mixok = false;
    bool isMaster = false;
    long double oldlinearrec = 0; // timer only
    // Inputs came or went, or the sound server did: the list follows, the chosen input is found
    // again by its name, and monitoring comes back.
    void InputsChanged();
    // Monitoring ended by itself (its input failed or went away).
    void NULLOut1Done();
    // Monitoring that ended by itself is tried again this often while the window is idle (ms).
    static constexpr int MonitorRetryMs = 1000;

    // The recordings list.
    void refreshlist();
    void ListFolder(const QString& folder);
    TMp3properties GetMp3Properties(const QByteArray& nativePath);
    void Mp3ListColumnClick(int column);
    void Mp3ListClick();
    void Mp3ListSelectItem();
    void Mp3ListEditing();
    // The in-place edit of a row's caption ended with text.
    void Mp3ListEdited(QTreeWidgetItem* row, const QString& text);
    bool IsValidFileName(const QString& name) const;
    // Moves the file, or every "*.mp3" of a folder given as folder + "*.mp3", to the trash.
    bool ShellDelete(const QByteArray& nativePath);
    void PopupMenu1Popup();
    void LireClick() { Mp3ListClick(); }
    void RenommerClick();
    void SupprimerClick();
    void SupprimerTousClick();
    // Mouse pressed on the list at a point of its viewport; starts a drag-out once it moves away.
    void Mp3ListMouseDown(const QPoint& at);
    void Mp3ListMouseMove(const QPoint& at, Qt::MouseButtons buttons);
    // The files of the selected rows, in list order, as the drag carries them.
    QList<QUrl> SelectedFileUrls() const;
    // Widths the resize rule gives the list's columns.
    static std::array<int, 4> ListColumnWidths(int clientWidth);
    // Those widths as applied in a list listWidth wide: each column keeps its minimum, the date
    // column's being wide enough for the locale's dates and times; the names column gives way so
    // that the others fit beside it.
    std::array<int, 4> FittedListColumnWidths(int clientWidth, int listWidth) const;
    QMenu* PopupMenu1 = nullptr;
    QAction *Lire = nullptr, *Renommer = nullptr, *Supprimer = nullptr, *Toutsupprimer1 = nullptr;
    QString mp3selected;
    int ColumnToSort = 0;

    // Shows the message of an error an action raised, where nothing else reports it.
    void ReportErrors(const std::function<void()>& action);

    // The settings and about windows, made by the program entry after this window.
    Tprefs* prefs = nullptr;
    TInfos* Infos = nullptr;
    void ConfigButtonClick();
    void InfosButtonClick();

    // The status line's tip for the control the pointer entered; empty on leaving.
    void ShowTip(QObject* control);
    std::optional<QString> TipOf(QObject* control) const;

    // The disk guard: the recordings folder's free space against the bit rate being recorded.
    TDiskGuard DiskGuard;
    // Seconds of recording the folder's disk still takes; nullopt when its free space is unknown.
    std::optional<int64_t> RecordingSecondsLeft() const;
    bool HasRoomToRecord() const;
    // At Record: true when there is room; otherwise the message says why and nothing starts.
    bool RoomToRecord();
    // Every CheckIntervalMs while a recording is open: the time left on the status line, and the
    // recording finished as Stop does while it can still be completed.
    void GuardDiskWhileRecording();

    // Commands from outside the window, as the window's keys do them: why one is not possible
    // now (empty when it is), and the command carried out after the caller has its answer.
    QString RemoteRefusal(TRemoteCommand command) const;
    QString RemoteCommand(TRemoteCommand command);

signals:
    // The transport state was set (also when it stays the same): what outside watchers follow.
    void flagStateChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateControls();
    // Assistive technology and the keyboard focus (Unit1Access.cpp).
    void NameControls();
    void SetUpAccess();
    bool KeyForFocus(const QKeyEvent& key) const;
    bool TransportButtonFocused() const;
    TwydPngButton* NewButton(int first, int x, int y);
    TwydSlider* NewVolumeSlider(int x, int knob, int position);
    void ApplySkinColour(TColor colour);
    void LoadQtTranslation(const QString& lang);
    void ApplySystemColours();
    void FormCreate(TListReading listReading);
    void FormClose();
    QString DefaultRecordingsFolder(const QString& documents) const;
    void CheckRecordingsFolder(const QString& defaultFolder);
    void ConfigureEngine();
    void ConnectHandlers();
    void StartMonitoring();
    void FinishRecording();
    // Waits for the recording run to end, the window painting and the engine reporting meanwhile;
    // false when FinishTimeoutMs passed first.
    bool WaitForRecordingToEnd();
    // After a recording's run has ended: the list, the new recording playing, monitoring.
    void AfterRecording(const QString& recorded);
    void RefillSortedByDate();
    void SelectSavedInput();
    void ApplyQuality();
    void AddInput(int32_t mixer, int32_t destination, int32_t line, TDXAudioIn& dxInput, bool& matched);
    // Builds the input list and table from today's mixers; false when no entry has a capture device.
    bool FillInputTable(TDXAudioIn& dxInput);
    // The entry of the input with that source name, or -1.
    int InputIndexOf(const std::string& source) const;
    // The entry with today's positions of its mixer and capture device (-1 when it is gone).
    TMixLine CurrentPositions(const TMixLine& entry) const;
    // Shows the input list again in an open settings window, its choice kept.
    void RefreshSettingsInputs();
    // Monitoring may run: nothing records, no settings window is open, an input is chosen.
    bool MayMonitor() const;
    TAudioMixerLine* LevelLine() const;
    void CreateListMenu();
    void ConnectList();
    // The row's file, by the bytes of its name.
    QByteArray RowNativePath(const QTreeWidgetItem* row) const;
    // The first selected row; with none, the list is left with no current row and playback stops.
    const QTreeWidgetItem* FirstSelectedRow();
    // Opens the file in the player and gives the seek bar its length.
    void OpenInPlayer(const QByteArray& path);
    void AfterDeletion();
    void ShowSettings();
    void ApplySettings();
    bool RowSelected() const;
    void ShowPlayingPosition();
    void ShowRecordingTime();
    // Whether the meter can be seen: not while the window is minimised or was hidden, when its
    // work stops (monitoring goes on).
    bool MeterSeen() const;
    void ApplyInput(int index);
    void RemoteAction(TRemoteCommand command);
    void ShowTimeLeft(const QString& text);

    TflState FflagState = flStop;
    bool FStartupAborted = false;
    bool FClosed = false;
    TColor FSkinColour = 0;      // the colour the skin last gave the clock, the meter and the labels
    bool FWaitCursor = false;    // the hourglass of a finishing recording is up
    QPoint FDragStart;           // where a press on a selected row began
    bool FDragPending = false;   // that press may become a drag-out
    QString FRecordingPath;      // the file of the recording open, or of the last one
    uint64_t FRecordingRun = 0;  // the MP3 sink's run of that recording
    bool FFinishLate = false;    // its end was not written in time; its OnDone finishes it
    int FInputCount = 0;         // entries of the input table in use
    std::string FChosenSource;   // the chosen input's source name, kept while it is away
    QString FChosenName;         // and its entry's text
    bool FToldInputGone = false; // the user was told it is away
    bool FSettingsOpen = false;  // the settings window is up: no capture runs meanwhile
    QTimer FMonitorRetry;        // single shot: monitoring again after it ended by itself
    QTranslator FQtTranslation;  // Qt's own texts in the current language, when Qt has them
    QString FTimeLeftText;       // the disk's time left as last put on the status line
    TMessageBoxes FDefaultBoxes;
    TMessageBoxes* FBoxes;
};
