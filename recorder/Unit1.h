#pragma once
// The main window: start-up, folders, settings, language and the transport state.

#include "IniFile.h"
#include "MessageBoxes.h"
#include "uLanguages.h"

#include <QLabel>
#include <QWidget>

enum TflState : int { flPlay, flStop, flPause, flRecord, flRecPause };

// The message texts of the main window, refreshed on every change of language.
struct TCachedTexts {
    QString wyd_Play, wyd_PlayPause, wyd_Standby, wyd_Recording, wyd_RecordingPause, wyd_Settings, wyd_Help,
        wyd_RecName, wyd_DateAndTime, wyd_Length, wyd_FileSize, wyd_Warning, wyd_MsgDeleteAll, wyd_PleaseWait,
        wyd_FileNotExist, wyd_MP3NotValide, wyd_BadFileName, wyd_NoRenaming, wyd_DirNotExist, wyd_DirCreated,
        wyd_CannotCreateDir, wyd_UseDefaultDir, wyd_NoCompliantInputDevice1, wyd_NoCompliantInputDevice2,
        wyd_NoCompliantInputDevice3, wyd_MenuPlay, wyd_MenuRename, wyd_MenuDelete, wyd_MenuDeleteAll;

    // Fills every text from the table, in the order the window has always looked them up.
    void Load(const TLanguage& table);
};

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // boxes: where messages go (the real message boxes when null). Runs the whole start-up.
    explicit TForm1(TMessageBoxes* boxes = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    // Folders, each with a trailing separator.
    QString exeFolder;
    QString AppDataFolder;
    QString mp3Folder;
    int Quality = 0;      // 0 low, 1 medium, 2 high; other values leave the bit rate alone
    bool croissant = false;

    TLanguage* Traductor = nullptr;
    TCachedTexts Texts;
    QLabel* Labelboutons = nullptr;

    TflState flagState() const { return FflagState; }
    void SetflagState(TflState value);

    void ChangeLanguage(const QString& lang);
    QString Utilisateur() const;
    QString SystemLanguage() const;
    TIniFile Prefs() const { return TIniFile(AppDataFolder + QStringLiteral("prefs.ini")); }
    TMessageBoxes& Boxes() { return *FBoxes; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    QString DefaultRecordingsFolder(const QString& documents) const;
    void CheckRecordingsFolder(const QString& defaultFolder);

    TflState FflagState = flStop;
    TMessageBoxes FDefaultBoxes;
    TMessageBoxes* FBoxes;
};
