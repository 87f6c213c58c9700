#pragma once
// The main window: start-up, folders, settings, language and the transport state.

#include "IniFile.h"
#include "MessageBoxes.h"
#include "uLanguages.h"
#include "wydExtImage.h"
#include "wydPanel.h"
#include "wydPngButton.h"
#include "wydSlider.h"
#include "wydVProgress.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QTreeWidget>
#include <QWidget>

enum TflState : int { flPlay, flStop, flPause, flRecord, flRecPause };

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
    bool LoadSkin(const QString& name);
    QString GetSkinName() const;
    // 0 the modern skin, 1 the vintage one; other numbers do nothing.
    void SelectSkin(int number);
    void FormResize();

    TflState flagState() const { return FflagState; }
    void SetflagState(TflState value);

    void ChangeLanguage(const QString& lang);
    QString Utilisateur() const;
    QString SystemLanguage() const;
    TIniFile Prefs() const { return TIniFile(AppDataFolder + QStringLiteral("prefs.ini")); }
    TMessageBoxes& Boxes() { return *FBoxes; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    TwydPngButton* NewButton(int first, int x, int y);
    TwydSlider* NewVolumeSlider(int x, int knob, int position);
    void ApplySkinColour(TColor colour);
    void FormCreate();
    void FormClose();
    QString DefaultRecordingsFolder(const QString& documents) const;
    void CheckRecordingsFolder(const QString& defaultFolder);

    TflState FflagState = flStop;
    TMessageBoxes FDefaultBoxes;
    TMessageBoxes* FBoxes;
};
