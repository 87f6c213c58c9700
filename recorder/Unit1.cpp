#include "Unit1.h"

#include "ShellServices.h"
#include "UnitInfos.h"
#include "UnitPrefs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <array>
#include <optional>
#include <utility>

namespace {

const QString LanguageResource = QStringLiteral("Resource_Lng");
// The languages the table holds; with any other code the interface would be blank.
const QStringList InterfaceLanguages{QStringLiteral("en"), QStringLiteral("fr")};
const QString FallbackLanguage = QStringLiteral("en");
const QString AppDataSubfolder = QStringLiteral("Sarvo Mp3 Recorder/");
const QString RecordingsSubfolder = QStringLiteral("Sarvo mp3 Recordings/");

QString WithTrailingSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool FolderExists(const QString& folder) { return QFileInfo(folder).isDir(); }

// The capture takes mono or stereo; anything else in the file records mono.
uint32_t ChannelCount(int fromFile) { return fromFile == 2 ? 2 : 1; }

constexpr TColor NoSkinColour = 12345678; // what a skin load starts from

// A skin name is a file name in the skins folder, never a path.
bool IsPlainSkinName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

// "$" followed by hexadecimal, or a decimal number.
bool ParseColour(const QString& text, TColor& colour) {
    bool ok = false;
    const qlonglong value =
        text.startsWith(QLatin1Char('$')) ? text.mid(1).toLongLong(&ok, 16) : text.toLongLong(&ok, 10);
    if (ok) colour = static_cast<TColor>(value);
    return ok;
}

} // namespace

QString FillName(QString text, const QString& name) { return text.replace(QStringLiteral("XXXXXX"), name); }

void TCachedTexts::Load(const TLanguage& table) {
    using Member = QString TCachedTexts::*;
    // clang-format off
#define SARVO_TEXT(key) std::pair<const char*, Member>{#key, &TCachedTexts::key}
    static const std::array texts{
        SARVO_TEXT(wyd_Play), SARVO_TEXT(wyd_PlayPause), SARVO_TEXT(wyd_Standby), SARVO_TEXT(wyd_Recording),
        SARVO_TEXT(wyd_RecordingPause), SARVO_TEXT(wyd_Settings), SARVO_TEXT(wyd_Help), SARVO_TEXT(wyd_RecName),
        SARVO_TEXT(wyd_DateAndTime), SARVO_TEXT(wyd_Length), SARVO_TEXT(wyd_FileSize), SARVO_TEXT(wyd_Warning),
        SARVO_TEXT(wyd_MsgDeleteAll), SARVO_TEXT(wyd_PleaseWait), SARVO_TEXT(wyd_FileNotExist),
        SARVO_TEXT(wyd_MP3NotValide), SARVO_TEXT(wyd_BadFileName), SARVO_TEXT(wyd_NoRenaming),
        SARVO_TEXT(wyd_DirNotExist), SARVO_TEXT(wyd_DirCreated), SARVO_TEXT(wyd_CannotCreateDir),
        SARVO_TEXT(wyd_UseDefaultDir), SARVO_TEXT(wyd_NoCompliantInputDevice1),
        SARVO_TEXT(wyd_NoCompliantInputDevice2), SARVO_TEXT(wyd_NoCompliantInputDevice3),
        SARVO_TEXT(wyd_MenuPlay), SARVO_TEXT(wyd_MenuRename), SARVO_TEXT(wyd_MenuDelete),
        SARVO_TEXT(wyd_MenuDeleteAll), SARVO_TEXT(wyd_FinishLate), SARVO_TEXT(wyd_InputGone),
        SARVO_TEXT(wyd_RecordingSaved), SARVO_TEXT(wyd_NoInput), SARVO_TEXT(wyd_DiskFull),
        SARVO_TEXT(wyd_FolderNotWritable), SARVO_TEXT(wyd_DiskTimeLeft), SARVO_TEXT(wyd_DiskFullStop),
        SARVO_TEXT(wyd_DiskFullNoRecord)};
    // clang-format on
#undef SARVO_TEXT
    for (const auto& [key, member] : texts) this->*member = table.localize(QString::fromLatin1(key));
}

TForm1::TForm1(TMessageBoxes* boxes, QWidget* parent, TListReading listReading)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      FBoxes(boxes ? boxes : &FDefaultBoxes) {
    setWindowTitle(QStringLiteral("Sarvo MP3 Recorder"));
    // The engine's notifications are run by this window's event loop.
    SetWakeMainThread([] {
        QMetaObject::invokeMethod(
            qApp, [] { CheckSynchronize(); }, Qt::QueuedConnection);
    });
    // What a handler of the engine's reports lets through is shown like the actions' errors.
    SetErrorReport(
        [this](const std::string& message) { FBoxes->ShowMessage(this, QString::fromStdString(message)); });
    Traductor = new TLanguage(this);
    AccessTexts = new TLanguage(this);
    AccessTexts->setSource(QStringLiteral("Resource_Access"));
    CreateControls();
    ConfigureEngine();
    ConnectHandlers();
    FormCreate(listReading);
}

TForm1::~TForm1() {
    Timer1.stop();
    qApp->removeEventFilter(this);
    // The sinks end before anything their workers use goes; a recording still open is finished.
    for (TAuOutput* sink : {static_cast<TAuOutput*>(&MP3Out1), static_cast<TAuOutput*>(&NULLOut1)}) {
        try {
            sink->Stop(false);
        } catch (const EAuException&) {
            // It did not end in time; its own destructor ends it.
        }
    }
    mp3player.Stop();
    SetErrorReport(nullptr);
    SetWakeMainThread(nullptr);
}

void TForm1::ConfigureEngine() {
    DXAudioIn1.SetInSampleRate(44100);
    DXAudioIn1.SetInBitsPerSample(16);
    DXAudioIn1.SetInChannels(1);
    DXAudioIn1.SetLatency(100);
    DXAudioIn1.SetFramesInBuffer(65535);
    DXAudioIn1.SetPollingInterval(200);
    DXAudioIn1.SetRecTime(-1);
    DXAudioIn1.SetDeviceNumber(-1);
    AudioProcessor1.SetInput(&DXAudioIn1);
    AudioProcessor1.OnGetData = [this](TComponent*, void*& buffer, uint32_t& bytes) {
        AudioProcessor1GetData(buffer, bytes);
    };
    NULLOut1.SetInput(&AudioProcessor1);
    MP3Out1.SetInput(&AudioProcessor1);
    MP3Out1.SetBitRate(mbrAuto);
    MP3Out1.SetEnableBitReservoir(false);
    MP3Out1.SetStrictISO(false);
    MP3Out1.SetEnableVBR(false);
    MP3Out1.SetVBRQuality(mp3ql0);
    MP3Out1.SetAverageBitrate(mbrAuto);
    MP3Out1.SetMaximumBitrate(mbrAuto);
    MP3Out1.SetThreadPriority(tpTimeCritical);
    Timer1.setInterval(25);
}

void TForm1::ConnectHandlers() {
    MP3Out1.SetOnDone([this](TComponent*) { MP3Out1Done(); });
    MP3Out1.SetOnThreadException([this](TComponent*) { MP3Out1ThreadException(); });
    NULLOut1.SetOnDone([this](TComponent*) { NULLOut1Done(); });
    AudioMixer1.SetOnMixersChange([this](TComponent*) { InputsChanged(); });
    FMonitorRetry.setSingleShot(true);
    connect(&FMonitorRetry, &QTimer::timeout, this, [this] {
        if (MayMonitor()) StartMonitoring();
    });
    connect(&Timer1, &QTimer::timeout, this, [this] { ReportErrors([this] { ProgresTimerTimer(); }); });
    const auto onClick = [this](TwydPngButton* button, void (TForm1::*action)()) {
        button->SetOnClick([this, action](QObject*) { ReportErrors([this, action] { (this->*action)(); }); });
    };
    onClick(wydRecord, &TForm1::RecClick);
    onClick(wydPlay, &TForm1::PlayClick);
    onClick(wydPause, &TForm1::PauseClick);
    onClick(wydStop, &TForm1::StopClick);
    onClick(wydConfigButton, &TForm1::ConfigButtonClick);
    onClick(wydInfoButton, &TForm1::InfosButtonClick);
    wydPlay->SetOnMouseDown([this](QObject*) { wydStopMouseDown(); });
    wydStop->SetOnMouseDown([this](QObject*) { wydStopMouseDown(); });
    Progres2->SetOnMouseUp([this](QObject*, Qt::MouseButton, Qt::MouseButtons, int x, int) {
        ReportErrors([this, x] { Progres1MouseUp(x); });
    });
    SliderMicro->SetOnChange([this](QObject*) { TrackBar1Change(); });
    SliderOutput->SetOnChange([this](QObject*) { SpiCursor2Change(); });
    ConnectList();
    qApp->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        // Every key press reaches this window's native window once, before any control sees it.
        if (watched == static_cast<QObject*>(windowHandle())) {
            const auto& key = *static_cast<QKeyEvent*>(event);
            if (KeyForFocus(key)) break;
            bool consumed = true;
            ReportErrors([&] { consumed = ApplicationEvents1ShortCut(key); });
            return consumed || TransportButtonFocused(); // the table has just done the button's work
        }
        break;
    case QEvent::MouseMove:
        if (watched == Mp3List->viewport()) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            Mp3ListMouseMove(mouse->position().toPoint(), mouse->buttons());
        }
        break;
    case QEvent::Enter:
        ShowTip(watched);
        break;
    case QEvent::Leave:
        if (TipOf(watched)) StatusBar1->SetPanelText(QString());
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

std::optional<QString> TForm1::TipOf(QObject* control) const {
    if (control == wydConfigButton) return Texts.wyd_Settings;
    if (control == wydInfoButton) return Texts.wyd_Help;
    const std::array<std::pair<const QObject*, const char*>, 6> looked{{
        {wydRecord, "wyd_RecordTip"},
        {wydPlay, "wyd_PlayTip"},
        {wydPause, "wyd_PauseTip"},
        {wydStop, "wyd_StopTip"},
        {SliderMicro, "wyd_InLevelTip"},
        {SliderOutput, "wyd_OutLevelTip"},
    }};
    for (const auto& [tipped, key] : looked)
        if (control == tipped) return Traductor->localize(QString::fromLatin1(key));
    return std::nullopt;
}

void TForm1::ShowTip(QObject* control) {
    if (const std::optional<QString> tip = TipOf(control))
        StatusBar1->SetPanelText(QStringLiteral(" ") + *tip);
}

QString TForm1::Utilisateur() const { return ShellServices::UserName(); }

QString TForm1::SystemLanguage() const { return ShellServices::InterfaceLanguage(); }

void TForm1::FormCreate(TListReading listReading) {
    // Client area 760 wide at the design height; no maximise box (see the window flags).
    resize(760, 439);
    setMinimumSize(600, 208);
    setMaximumWidth(1200);

    SetflagState(flStop);
    exeFolder = ShellServices::ProgramFolder();

    const QString appData = ShellServices::ApplicationDataFolder();
    QDir().mkdir(appData + QLatin1Char('/') + AppDataSubfolder);
    AppDataFolder = appData + QLatin1Char('/') + AppDataSubfolder;

    const QString lang =
        Prefs().ReadString(QStringLiteral("Language"), QStringLiteral("Locale"), SystemLanguage());
    ChangeLanguage(InterfaceLanguages.contains(lang) ? lang : FallbackLanguage);

    const QString defaultFolder = DefaultRecordingsFolder(ShellServices::DocumentsFolder());
    mp3Folder = WithTrailingSeparator(
        Prefs().ReadString(QStringLiteral("PlaylistPath"), Utilisateur(), defaultFolder));
    if (!FolderExists(mp3Folder)) CheckRecordingsFolder(defaultFolder);

    InitMic(DXAudioIn1);
    if (ComboRecLines->count() == 0) {
        FBoxes->ShowMessage(this, Texts.wyd_NoCompliantInputDevice1);
        FStartupAborted = true;
        QApplication::quit();
        QCoreApplication::processEvents();
        return;
    }
    SelectSavedInput();
    ComboRecLinesChange();
    Quality = Prefs().ReadInteger(QStringLiteral("QualityRecord"), QStringLiteral("Quality"), 1);
    ApplyQuality();
    DXAudioIn1.SetInChannels(
        ChannelCount(Prefs().ReadInteger(QStringLiteral("QualityRecord"), QStringLiteral("NbChannels"), 1)));

    // Only the chosen skin is decoded (the window is drawn with the built-in one until then), the
    // vintage one's file when the chosen cannot be read. The list is read once, sorted by date.
    if (!LoadSkin(Prefs().ReadString(QStringLiteral("Style"), QStringLiteral("Skin"), GetSkinName())))
        LoadSkin(QStringLiteral("Vintage-Skin"));
    if (listReading == TListReading::AtOnce)
        RefillSortedByDate();
    else
        QTimer::singleShot(0, this, [this] { RefillSortedByDate(); });
    StartMonitoring();
    Timer1.start();
}

void TForm1::SelectSavedInput() {
    const QString saved =
        Prefs().ReadString(QStringLiteral("Input"), QStringLiteral("Name"), ComboRecLines->itemText(0));
    ComboRecLines->setCurrentIndex(0);
    for (int i = 0; i < ComboRecLines->count(); ++i) // the last equal entry wins
        if (IsSavedInput(ComboRecLines->itemText(i), saved)) ComboRecLines->setCurrentIndex(i);
}

void TForm1::ApplyQuality() {
    static const std::array<TMP3BitRate, 3> rates{mbr96, mbr192, mbr320};
    if (Quality >= 0 && Quality < static_cast<int>(rates.size())) MP3Out1.SetBitRate(rates[Quality]);
}

QString TForm1::DefaultRecordingsFolder(const QString& documents) const {
    const QString recordings = documents + QLatin1Char('/') + RecordingsSubfolder;
    QDir().mkdir(recordings);
    return FolderExists(recordings) ? recordings : documents + QLatin1Char('/');
}

void TForm1::CheckRecordingsFolder(const QString& defaultFolder) {
    const QString notExist = FillName(Texts.wyd_DirNotExist, mp3Folder);
    const QString created = FillName(Texts.wyd_DirCreated, mp3Folder);
    const QString cannotCreate = FillName(Texts.wyd_CannotCreateDir, mp3Folder);
    const QString useDefault = FillName(Texts.wyd_UseDefaultDir, defaultFolder);
    if (!FBoxes->AskYesNo(this, notExist)) {
        FBoxes->ShowMessage(this, useDefault);
        mp3Folder = defaultFolder;
        return;
    }
    if (QDir().mkdir(mp3Folder)) {
        FBoxes->ShowMessage(this, created);
    } else {
        FBoxes->ShowMessage(this, cannotCreate + QStringLiteral("\r\n") + useDefault);
        mp3Folder = defaultFolder;
    }
}

void TForm1::ChangeLanguage(const QString& lang) {
    LoadQtTranslation(lang);
    Traductor->setSource(LanguageResource);
    Traductor->setLanguage(lang);
    Texts.Load(*Traductor);
    Mp3List->setHeaderLabels(
        {Texts.wyd_RecName, Texts.wyd_DateAndTime, Texts.wyd_Length, Texts.wyd_FileSize});
    Lire->setText(Texts.wyd_MenuPlay);
    Renommer->setText(Texts.wyd_MenuRename);
    Supprimer->setText(Texts.wyd_MenuDelete);
    Toutsupprimer1->setText(Texts.wyd_MenuDeleteAll);
    SetflagState(FflagState);
    NameControls();
}

// Qt's own texts (the buttons of message boxes, the folder chooser) in the interface's language.
void TForm1::LoadQtTranslation(const QString& lang) {
    QCoreApplication::removeTranslator(&FQtTranslation);
    if (FQtTranslation.load(QStringLiteral("qtbase_") + lang,
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&FQtTranslation);
}

bool TForm1::LoadSkin(const QString& name) {
    // Read into a scratch list first: a damaged file must not leave the window half drawn.
    TwydPngListe loaded;
    QString skinName;
    TColor colour = NoSkinColour;
    try {
        if (!IsPlainSkinName(name)) return false;
        loaded.LoadWithDouble(exeFolder + QStringLiteral("Skins/") + name);
        if (loaded.Count() < 35) return false;
        skinName = loaded.GetPng(33)->Name;
        if (!ParseColour(loaded.GetPng(34)->Name, colour)) return false;
    } catch (const EwydPngListe&) {
        return false;
    }
    wydPngListe1->Assign(&loaded);
    if (skinName.contains(QStringLiteral("Skin"), Qt::CaseInsensitive)) ApplySkinColour(colour);
    return true;
}

QString TForm1::GetSkinName() const {
    const TwydPng* tag = wydPngListe1->GetPng(33);
    return tag ? tag->Name : QString();
}

void TForm1::SelectSkin(int number) {
    if (number == 0) LoadSkin(QStringLiteral("Modern-Skin"));
    if (number == 1) LoadSkin(QStringLiteral("Vintage-Skin"));
}

void TForm1::FormClose() {
    FClosed = true;
    ReportErrors([this] { StopClick(); });
    if (Infos) Infos->close();
    if (prefs) prefs->close();
    QApplication::quit();
    QCoreApplication::processEvents();
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}
