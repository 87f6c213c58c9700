#include "Unit1.h"

#include "ShellServices.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>

#include <array>
#include <utility>

namespace {

const QString LanguageResource = QStringLiteral("Resource_Lng");
const QString AppDataSubfolder = QStringLiteral("Sarvo Mp3 Recorder/");
const QString RecordingsSubfolder = QStringLiteral("Sarvo mp3 Recordings/");

QString WithTrailingSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString FillName(QString text, const QString& name) { return text.replace(QStringLiteral("XXXXXX"), name); }

bool FolderExists(const QString& folder) { return QFileInfo(folder).isDir(); }

} // namespace

void TCachedTexts::Load(const TLanguage& table) {
    using Member = QString TCachedTexts::*;
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
        SARVO_TEXT(wyd_MenuDeleteAll)};
#undef SARVO_TEXT
    for (const auto& [key, member] : texts) this->*member = table.localize(QString::fromLatin1(key));
}

TForm1::TForm1(TMessageBoxes* boxes, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      FBoxes(boxes ? boxes : &FDefaultBoxes) {
    setWindowTitle(QStringLiteral("Sarvo MP3 Recorder"));
    Traductor = new TLanguage(this);
    Labelboutons = new QLabel(this);
    FormCreate();
}

TForm1::~TForm1() = default;

QString TForm1::Utilisateur() const { return ShellServices::UserName(); }

QString TForm1::SystemLanguage() const { return ShellServices::InterfaceLanguage(); }

void TForm1::FormCreate() {
    // Client area 760 wide at the design height; no maximise box (see the window flags).
    resize(760, 439);
    setMinimumSize(600, 208);
    setMaximumWidth(1200);

    SetflagState(flStop);
    exeFolder = ShellServices::ProgramFolder();

    const QString appData = ShellServices::ApplicationDataFolder();
    QDir().mkdir(appData + QLatin1Char('/') + AppDataSubfolder);
    AppDataFolder = appData + QLatin1Char('/') + AppDataSubfolder;

    const QString lang = Prefs().ReadString(QStringLiteral("Language"), QStringLiteral("Locale"), SystemLanguage());
    ChangeLanguage(lang);

    const QString defaultFolder = DefaultRecordingsFolder(ShellServices::DocumentsFolder());
    mp3Folder = WithTrailingSeparator(
        Prefs().ReadString(QStringLiteral("PlaylistPath"), Utilisateur(), defaultFolder));
    if (!FolderExists(mp3Folder)) CheckRecordingsFolder(defaultFolder);
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
    Traductor->setSource(LanguageResource);
    Traductor->setLanguage(lang);
    Texts.Load(*Traductor);
    SetflagState(FflagState);
}

void TForm1::SetflagState(TflState value) {
    FflagState = value;
    static const std::array<QString TCachedTexts::*, 5> labels{
        &TCachedTexts::wyd_Play, &TCachedTexts::wyd_Standby, &TCachedTexts::wyd_PlayPause,
        &TCachedTexts::wyd_Recording, &TCachedTexts::wyd_RecordingPause};
    if (value < flPlay || value > flRecPause) return;
    Labelboutons->setText(Texts.*labels[value]);
}

void TForm1::FormClose() {
    QApplication::quit();
    QCoreApplication::processEvents();
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}
