// The main window's side of the settings and about windows.

#include "Unit1.h"
#include "UnitInfos.h"
#include "UnitPrefs.h"

namespace {

void CopyItems(const QComboBox& from, QComboBox& to) {
    to.clear();
    for (int i = 0; i < from.count(); ++i) to.addItem(from.itemText(i));
    to.setCurrentIndex(from.currentIndex());
}

} // namespace

void TForm1::ShowSettings() {
    const QString lang = Traductor->localize(QStringLiteral("wyd_Language"));
    prefs->SetLanguage(lang);
    prefs->ShowLanguage(lang);
    prefs->SetVintageChecked(GetSkinName() == QLatin1String("Vintage-Skin"));
    CopyItems(*ComboRecLines, *prefs->ComboBox1);
    prefs->SetItemIndex(Quality);
    prefs->MonoCheckBox->setChecked(DXAudioIn1.Channels() == 1);
    prefs->Edit1->setText(mp3Folder);
    prefs->exec();
}

void TForm1::ApplySettings() {
    MP3Out1.SetEnableVBR(false);
    Quality = prefs->ItemIndex();
    ApplyQuality();
    Prefs().WriteInteger(QStringLiteral("QualityRecord"), QStringLiteral("Quality"), Quality);
    DXAudioIn1.SetInChannels(prefs->MonoCheckBox->isChecked() ? 1 : 2);
    Prefs().WriteInteger(QStringLiteral("QualityRecord"), QStringLiteral("NbChannels"),
                         static_cast<int>(DXAudioIn1.Channels()));
    if (prefs->ComboBox1->count() > 0) {
        CopyItems(*prefs->ComboBox1, *ComboRecLines);
        ComboRecLinesChange();
        Prefs().WriteString(QStringLiteral("Input"), QStringLiteral("Name"), ComboRecLines->currentText());
    }
    if (prefs->Edit1->text() != mp3Folder) {
        mp3Folder = prefs->Edit1->text();
        Prefs().WriteString(QStringLiteral("PlaylistPath"), Utilisateur(), mp3Folder);
        RefillSortedByDate();
    }
    Prefs().WriteString(QStringLiteral("Language"), QStringLiteral("Locale"),
                        Traductor->localize(QStringLiteral("wyd_Language")));
    Prefs().WriteString(QStringLiteral("Style"), QStringLiteral("Skin"), GetSkinName());
}

void TForm1::ConfigButtonClick() {
    if (!prefs) return;
    StopClick();
    Mp3List->clearSelection();
    Mp3List->setCurrentItem(nullptr);
    DXAudioIn1.SetDeviceNumber(-1); // no capture can start while the window is open
    FSettingsOpen = true;
    // The chosen input's device comes back even when a setting cannot be saved.
    struct TRestoreDevice {
        TForm1& form;
        ~TRestoreDevice() {
            form.FSettingsOpen = false;
            const int index = form.ComboRecLines->currentIndex();
            if (index >= 0 && index < form.FInputCount)
                form.DXAudioIn1.SetDeviceNumber(form.CurrentPositions(form.mixLines[index]).dxmixnum);
            form.FMonitorRetry.start(0); // listening again, if it had stopped meanwhile
        }
    } restore{*this};
    ShowSettings();
    ApplySettings();
}

void TForm1::InfosButtonClick() {
    if (!Infos) return;
    Infos->SetLanguage(Traductor->localize(QStringLiteral("wyd_Language")));
    Infos->show();
    Infos->raise();
    Infos->activateWindow();
}
