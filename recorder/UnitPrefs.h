#pragma once
// The settings window: recording input, mono, quality, recordings folder, language and skin.
// Shown modally by the main window's settings button, which reads it back when it closes.

#include "wydPngButton.h"
#include "wydPngList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>

class TWindowHost;

class Tprefs : public QDialog {
    Q_OBJECT
public:
    explicit Tprefs(TWindowHost& main);

    QGroupBox* GroupBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QCheckBox* MonoCheckBox = nullptr;
    QCheckBox* CheckBoxVintage = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    std::array<QRadioButton*, 3> RadioItems{};
    TwydPngButton *ButtonFlagEn = nullptr, *ButtonFlagFr = nullptr;
    QGroupBox* PathGroupBox = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* ButtonPath = nullptr;
    TwydPngListe* wydFlagsList = nullptr;

    // The selected quality item, or -1.
    int ItemIndex() const;
    void SetItemIndex(int index);
    // Sets the box as code does, which runs the click handler when the state changes.
    void SetVintageChecked(bool checked);

    void SetLanguage(const QString& lang);
    void ButtonFlagEnClick();
    void ButtonFlagFrClick();
    void CheckBoxVintageClick();
    void ButtonPathClick();
    // Both flags: the one of lang pressed (French for any code but "en").
    void ShowLanguage(const QString& lang);

private:
    TwydPngButton* NewFlag(int normal, int x);
    // What assistive technology reads of the controls that have no text of their own.
    void NameControls();

    TWindowHost& FMain;
};
