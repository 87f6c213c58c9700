#include "UnitPrefs.h"

#include "MessageBoxes.h"
#include "ShellServices.h"
#include "WindowHost.h"
#include "uLanguages.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr int FlagHover = 4;

void Place(QWidget& control, int x, int y, int width, int height) {
    control.setGeometry(x, y, width, height);
}

} // namespace

Tprefs::Tprefs(TWindowHost& main)
    : QDialog(main.HostWindow(), Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), FMain(main) {
    setFixedSize(704, 475);
    setAutoFillBackground(true);
    QPalette window = palette();
    window.setColor(QPalette::Window, ColorToQColor(clWindow, window));
    window.setColor(QPalette::WindowText, QColor(0x44, 0x44, 0x44));
    setPalette(window);
    setFont(ShellServices::Font(QStringLiteral("Segoe UI"), 15));

    wydFlagsList = new TwydPngListe(this);
    wydFlagsList->LoadWithDouble(QStringLiteral(":/Skins/Flags"));

    GroupBox1 = new QGroupBox(this);
    Place(*GroupBox1, 30, 32, 635, 89);
    ComboBox1 = new QComboBox(GroupBox1);
    Place(*ComboBox1, 24, 38, 561, 28);
    MonoCheckBox = new QCheckBox(this);
    Place(*MonoCheckBox, 30, 156, 180, 37);
    CheckBoxVintage = new QCheckBox(this);
    Place(*CheckBoxVintage, 30, 196, 180, 37);
    connect(CheckBoxVintage, &QCheckBox::toggled, this, [this] { CheckBoxVintageClick(); });

    RadioGroup1 = new QGroupBox(this);
    Place(*RadioGroup1, 240, 156, 425, 157);
    for (int i = 0; i < 3; ++i) {
        RadioItems[i] = new QRadioButton(RadioGroup1);
        Place(*RadioItems[i], 16, 32 + 40 * i, 400, 32);
    }

    ButtonFlagEn = NewFlag(2, 30);
    ButtonFlagFr = NewFlag(0, 94);
    ButtonFlagEn->SetOnClick([this](QObject*) { ButtonFlagEnClick(); });
    ButtonFlagFr->SetOnClick([this](QObject*) { ButtonFlagFrClick(); });

    PathGroupBox = new QGroupBox(this);
    Place(*PathGroupBox, 30, 357, 635, 84);
    Edit1 = new QLineEdit(PathGroupBox);
    Place(*Edit1, 24, 35, 537, 24);
    Edit1->setEnabled(false);
    ButtonPath = new QPushButton(QStringLiteral("..."), PathGroupBox);
    Place(*ButtonPath, 578, 34, 31, 26);
    QFont bold = ShellServices::Font(QStringLiteral("Tahoma"), 13);
    bold.setBold(true);
    ButtonPath->setFont(bold);
    connect(ButtonPath, &QPushButton::clicked, this, [this] { ButtonPathClick(); });
}

TwydPngButton* Tprefs::NewFlag(int normal, int x) {
    auto* flag = new TwydPngButton(this);
    flag->SetShowCaption(false);
    flag->SetColorBg(clNone);
    flag->SetSwitchMode(Toggle);
    flag->SetPngListe(wydFlagsList);
    flag->SetIndexDown(normal + 1);
    flag->SetIndexMouseOver(FlagHover);
    flag->SetIndexNormal(normal);
    flag->setGeometry(x, 264, 48, 38);
    flag->SetAutosize(true);
    return flag;
}

int Tprefs::ItemIndex() const {
    for (int i = 0; i < 3; ++i)
        if (RadioItems[i]->isChecked()) return i;
    return -1;
}

void Tprefs::SetItemIndex(int index) {
    if (index >= 0 && index < 3) {
        RadioItems[index]->setChecked(true);
        return;
    }
    // None checked: the group's exclusivity would otherwise keep the last one.
    for (QRadioButton* item : RadioItems) {
        item->setAutoExclusive(false);
        item->setChecked(false);
        item->setAutoExclusive(true);
    }
}

void Tprefs::SetVintageChecked(bool checked) { CheckBoxVintage->setChecked(checked); }

void Tprefs::SetLanguage(const QString& lang) {
    FMain.ChangeLanguage(lang);
    const TLanguage& table = FMain.Language();
    setWindowTitle(QStringLiteral(" ") + table.localize(QStringLiteral("prefs_Settings")));
    GroupBox1->setTitle(table.localize(QStringLiteral("prefs_SelectRecDevice")));
    MonoCheckBox->setText(table.localize(QStringLiteral("prefs_SwitchMono")));
    RadioGroup1->setTitle(table.localize(QStringLiteral("prefs_RecQuality")));
    RadioItems[0]->setText(table.localize(QStringLiteral("prefs_RecQualityLow")));
    RadioItems[1]->setText(table.localize(QStringLiteral("prefs_RecQualityMed")));
    RadioItems[2]->setText(table.localize(QStringLiteral("prefs_RecQualityHigh")));
    PathGroupBox->setTitle(table.localize(QStringLiteral("prefs_RecFolder")));
    CheckBoxVintage->setText(table.localize(QStringLiteral("prefs_Vintage_Select")));
    NameControls();
}

void Tprefs::NameControls() {
    const TLanguage& table = FMain.Language();
    ComboBox1->setAccessibleName(GroupBox1->title().trimmed());
    Edit1->setAccessibleName(PathGroupBox->title().trimmed());
    ButtonPath->setAccessibleName(FMain.AccessText(QStringLiteral("prefs_ChooseFolder")));
    ButtonPath->setAccessibleDescription(table.localize(QStringLiteral("prefs_Comment")));
    ButtonFlagEn->setAccessibleName(FMain.AccessText(QStringLiteral("prefs_English")));
    ButtonFlagFr->setAccessibleName(FMain.AccessText(QStringLiteral("prefs_French")));
}

void Tprefs::ShowLanguage(const QString& lang) {
    const bool english = lang == QLatin1String("en");
    ButtonFlagEn->SetButtonState(english ? wydButtonDown : wydButtonUp);
    ButtonFlagFr->SetButtonState(english ? wydButtonUp : wydButtonDown);
}

void Tprefs::ButtonFlagEnClick() {
    SetLanguage(QStringLiteral("en"));
    ShowLanguage(QStringLiteral("en"));
}

void Tprefs::ButtonFlagFrClick() {
    SetLanguage(QStringLiteral("fr"));
    ShowLanguage(QStringLiteral("fr"));
}

void Tprefs::CheckBoxVintageClick() {
    FMain.LoadSkin(CheckBoxVintage->isChecked() ? QStringLiteral("Vintage-Skin")
                                                : QStringLiteral("Modern-Skin"));
}

void Tprefs::ButtonPathClick() {
    const QString current = Edit1->text();
    const QString chosen =
        FMain.Boxes().ChooseFolder(this, FMain.Language().localize(QStringLiteral("prefs_Comment")),
                                   QFileInfo(current).isDir() ? current : QString());
    if (chosen.isEmpty()) return;
    Edit1->setText(chosen.endsWith(QLatin1Char('/')) ? chosen : chosen + QLatin1Char('/'));
}
