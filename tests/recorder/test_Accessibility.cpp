// The windows as assistive technology reads them (roles, names, values, actions, in English and
// French), and the keyboard: the focus order, and how the focus lives beside the transport keys.

#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "TestSources.h"
#include "Unit1.h"
#include "UnitInfos.h"
#include "UnitPrefs.h"
#include "WindowTestKit.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace {

// One object of the tree as a screen reader reads it.
struct TRead {
    QAccessible::Role role = QAccessible::NoRole;
    QString name, description;
    std::optional<int> value;
    bool focusable = false;
    QObject* object = nullptr;
};

void Walk(QAccessibleInterface* node, std::vector<TRead>& into) {
    if (!node || node->state().invisible) return;
    TRead read{node->role(), node->text(QAccessible::Name), node->text(QAccessible::Description),
               std::nullopt, bool(node->state().focusable), node->object()};
    if (QAccessibleValueInterface* value = node->valueInterface()) read.value = value->currentValue().toInt();
    into.push_back(read);
    for (int i = 0; i < node->childCount(); ++i) Walk(node->child(i), into);
}

// The visible part of a window's tree, read from its top.
std::vector<TRead> Tree(QWidget* window) {
    std::vector<TRead> tree;
    Walk(QAccessible::queryAccessibleInterface(window), tree);
    return tree;
}

std::optional<TRead> Find(const std::vector<TRead>& tree, QAccessible::Role role, const QString& name) {
    for (const TRead& read : tree)
        if (read.role == role && read.name == name) return read;
    return std::nullopt;
}

// What one control must read as: role, name, and (when given) description and value.
struct TExpected {
    QAccessible::Role role;
    QString name, description;
    std::optional<int> value;
};

void ExpectReads(const std::vector<TRead>& tree, const std::vector<TExpected>& expected) {
    for (const TExpected& want : expected) {
        SCOPED_TRACE(want.name.toStdString());
        const std::optional<TRead> found = Find(tree, want.role, want.name);
        ASSERT_TRUE(found) << "no object of role " << want.role << " named so";
        if (!want.description.isNull()) {
            EXPECT_EQ(found->description, want.description);
        }
        if (want.value) {
            EXPECT_EQ(found->value, want.value);
        }
    }
}

// Every object the keyboard can reach has a name.
void ExpectFocusableNamed(const std::vector<TRead>& tree) {
    for (const TRead& read : tree) {
        if (read.focusable && read.role != QAccessible::Client) {
            EXPECT_FALSE(read.name.trimmed().isEmpty()) << "an unnamed control of role " << read.role;
        }
    }
}

QAccessibleInterface* Interface(QObject* object) { return QAccessible::queryAccessibleInterface(object); }

struct Accessibility : testing::Test {
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TForm1> form;

    void SetUp() override {
        qputenv("XDG_DATA_HOME", home.Path(QStringLiteral("data")).toLocal8Bit());
        form = std::make_unique<TForm1>(&boxes);
        form->prefs = new Tprefs(*form);
        form->Infos = new TInfos(*form);
        form->Infos->Timer1.stop(); // no splash countdown
    }
    // A valid recording in the folder, listed.
    void Recording(const QString& name) {
        TToneSource tone(44100, 1, 440.0, 0.5, 88200);
        TMP3Out out;
        out.SetInput(&tone);
        out.SetBitRate(mbr64);
        out.SetFileName(QFile::encodeName(form->mp3Folder + name + QStringLiteral(".mp3")).toStdString());
        out.BlockingRun();
    }
    void ShowMain() {
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get())) << "the main window did not become active";
    }
    // A key as the keyboard delivers it: to the window's native window, which the table sees first.
    void Press(QWidget* window, int key, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(window->windowHandle(), &press);
    }
    // The widgets the focus visits from where it is, one Tab (or Shift+Tab) at a time.
    std::vector<QWidget*> Visit(QWidget* window, int count, bool backwards = false) {
        std::vector<QWidget*> visited;
        for (int i = 0; i < count; ++i) {
            Press(window, backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                  backwards ? Qt::ShiftModifier : Qt::NoModifier);
            visited.push_back(QApplication::focusWidget());
        }
        return visited;
    }
    void PressAction(QWidget* control) {
        Interface(control)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
};

} // namespace

TEST_F(Accessibility, TheMainWindowReadsInEnglishThenInFrench) {
    form->show();
    form->ChangeLanguage(QStringLiteral("en"));
    std::vector<TRead> tree = Tree(form.get());
    ExpectReads(tree, {
                          {QAccessible::Button, "Record", "Keys: R or +", {}},
                          {QAccessible::Button, "Play", "Key: Return", {}},
                          {QAccessible::Button, "Pause", "Key: P", {}},
                          {QAccessible::Button, "Stop", "Keys: Space or Escape", {}},
                          {QAccessible::Slider, "Input level adjustment", {}, {}},
                          {QAccessible::Slider, "Output volume adjustment", {}, 100},
                          {QAccessible::ProgressBar, "Input level", {}, -35},
                          {QAccessible::Slider, "Playing position", {}, 0},
                          {QAccessible::Button, "Options and settings", {}, {}},
                          {QAccessible::Button, "Help and informations", {}, {}},
                          {QAccessible::StaticText, "Standby", {}, {}},
                          {QAccessible::StaticText, "00:00:00", {}, {}},
                          {QAccessible::StaticText, "Volume: 100", {}, {}},
                          {QAccessible::Tree, "Recordings", {}, {}},
                      });
    ExpectFocusableNamed(tree);
    for (QWidget* picture :
         std::initializer_list<QWidget*>{form->wydPngButton1, form->VuCircle, form->FondPlayer}) {
        EXPECT_EQ(Interface(picture)->role(), QAccessible::Graphic);
        EXPECT_EQ(Interface(picture)->text(QAccessible::Name), QString());
    }

    form->ChangeLanguage(QStringLiteral("fr"));
    tree = Tree(form.get());
    ExpectReads(tree, {
                          {QAccessible::Button, "Enregistrement", "Touches : R ou +", {}},
                          {QAccessible::Button, "Lecture", "Touche : Entrée", {}},
                          {QAccessible::Button, "Pause", "Touche : P", {}},
                          {QAccessible::Button, "Stop", "Touches : Espace ou Échap", {}},
                          {QAccessible::Slider, "Réglage du niveau d'entrée", {}, {}},
                          {QAccessible::Slider, "Réglage du volume de sortie", {}, 100},
                          {QAccessible::ProgressBar, "Niveau d'entrée", {}, -35},
                          {QAccessible::Slider, "Position de lecture", {}, 0},
                          {QAccessible::Button, "Préférences et configuration", {}, {}},
                          {QAccessible::Button, "Aide et informations", {}, {}},
                          {QAccessible::StaticText, "En attente", {}, {}},
                          {QAccessible::Tree, "Enregistrements", {}, {}},
                      });
    ExpectFocusableNamed(tree);
}

TEST_F(Accessibility, TheListReadsAsRowsOfFourColumns) {
    Recording(QStringLiteral("Interview"));
    Recording(QStringLiteral("Été à Lyon"));
    form->refreshlist();
    form->show();
    QCoreApplication::processEvents(); // the view lays its rows out
    QAccessibleTableInterface* table = Interface(form->Mp3List)->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->columnCount(), 4);
    ASSERT_EQ(table->rowCount(), 2);
    const QStringList headers{QStringLiteral(" Audio recording name"), QStringLiteral("Date and time"),
                              QStringLiteral("Length"), QStringLiteral("File Size")};
    for (int column = 0; column < 4; ++column) EXPECT_EQ(table->columnDescription(column), headers[column]);
    QStringList names;
    for (int row = 0; row < 2; ++row) {
        names << table->cellAt(row, 0)->text(QAccessible::Name);
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(table->cellAt(row, column)->text(QAccessible::Name),
                      form->Mp3List->topLevelItem(row)->text(column));
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Interview"), QStringLiteral("Été à Lyon")}));
    form->ChangeLanguage(QStringLiteral("fr"));
    EXPECT_EQ(table->columnDescription(3), QStringLiteral("Taille"));
}

TEST_F(Accessibility, SlidersAreSetThroughTheirValueAndTheProgressIsReadOnly) {
    Interface(form->SliderOutput)->valueInterface()->setCurrentValue(40);
    EXPECT_EQ(form->SliderOutput->Position(), 40);
    EXPECT_EQ(form->VolumeLabel->text(), QStringLiteral("Volume: 40")) << "as if the knob had been moved";
    form->Progres2->SetMaxi(1000);
    Interface(form->Progres2)->valueInterface()->setCurrentValue(500);
    EXPECT_EQ(form->Progres2->Position(), 0);
    EXPECT_TRUE(Interface(form->Progres2)->state().readOnly);
    EXPECT_TRUE(Interface(form->InputVuMeter)->state().readOnly);
}

TEST_F(Accessibility, PressingRecordThroughItsActionRecordsAndStopEndsIt) {
    PressAction(form->wydRecord);
    EXPECT_EQ(form->flagState(), flRecord);
    EXPECT_EQ(form->Labelboutons->text(), QStringLiteral("Recording"));
    RunFor(700);
    PressAction(form->wydStop);
    EXPECT_NE(form->flagState(), flRecord);
    EXPECT_EQ(QDir(form->mp3Folder).entryList({QStringLiteral("Rec-*.mp3")}, QDir::Files).size(), 1);
}

TEST_F(Accessibility, TheSettingsWindowReadsInBothLanguages) {
    Tprefs& prefs = *form->prefs;
    prefs.show();
    prefs.SetLanguage(QStringLiteral("en"));
    prefs.ShowLanguage(QStringLiteral("en"));
    std::vector<TRead> tree = Tree(&prefs);
    ExpectReads(tree, {
                          {QAccessible::Button, "English", {}, {}},
                          {QAccessible::Button, "Français", {}, {}},
                          {QAccessible::Button,
                           "Choose the folder",
                           "Choose the directory you want to store your audio recordings in.",
                           {}},
                          {QAccessible::ComboBox, "Select input device (Microphone, webcam...)", {}, {}},
                          {QAccessible::CheckBox, "Monophonic mic.", {}, {}},
                          {QAccessible::CheckBox, "Vintage look", {}, {}},
                          {QAccessible::RadioButton, " Medium (Good Quality/Size ratio)", {}, {}},
                      });
    ExpectFocusableNamed(tree);
    EXPECT_TRUE(Interface(prefs.ButtonFlagEn)->state().checkable);
    EXPECT_TRUE(Interface(prefs.ButtonFlagEn)->state().checked);
    EXPECT_FALSE(Interface(prefs.ButtonFlagFr)->state().checked);

    prefs.SetLanguage(QStringLiteral("fr"));
    prefs.ShowLanguage(QStringLiteral("fr"));
    tree = Tree(&prefs);
    ExpectReads(tree, {
                          {QAccessible::Button, "Choisir le dossier", {}, {}},
                          {QAccessible::CheckBox, "Micro mono", {}, {}},
                          {QAccessible::CheckBox, "Look vintage", {}, {}},
                          {QAccessible::ComboBox,
                           "Sélection du périphérique d'enregistrement audio (micro, webcam...)",
                           {},
                           {}},
                      });
    ExpectFocusableNamed(tree);
    EXPECT_TRUE(Interface(prefs.ButtonFlagFr)->state().checked);
    EXPECT_FALSE(Interface(prefs.ButtonFlagEn)->state().checked);
    prefs.close();
}

TEST_F(Accessibility, TheAboutWindowReadsInBothLanguages) {
    TInfos& infos = *form->Infos;
    infos.show();
    infos.SetLanguage(QStringLiteral("en"));
    std::vector<TRead> tree = Tree(&infos);
    ExpectReads(tree, {{QAccessible::StaticText, "provided by", {}, {}},
                       {QAccessible::StaticText, "https://orvan.velmarosk.example/en/", {}, {}}});
    ExpectFocusableNamed(tree);
    EXPECT_TRUE(Interface(infos.velmaroskLink)->state().focusable)
        << "the links are reached with the keyboard";
    EXPECT_TRUE(Interface(infos.LabelLinkOrvan)->state().focusable);
    EXPECT_TRUE(Find(tree, QAccessible::EditableText, QStringLiteral("Terms of use")));
    infos.SetLanguage(QStringLiteral("fr"));
    tree = Tree(&infos);
    ExpectReads(tree, {{QAccessible::StaticText, "vous est offert par", {}, {}},
                       {QAccessible::StaticText, "https://orvan.velmarosk.example/fr/", {}, {}},
                       {QAccessible::EditableText, "Conditions d'utilisation", {}, {}}});
    ExpectFocusableNamed(tree);
    infos.close();
}

TEST_F(Accessibility, TabVisitsTheMainWindowAlongThePlayerThenTheList) {
    ShowMain();
    ASSERT_EQ(QApplication::focusWidget(), form->Mp3List) << "the list has the focus when the window opens";
    const std::vector<QWidget*> order{form->wydRecord,       form->wydPlay,       form->wydPause,
                                      form->wydStop,         form->SliderMicro,   form->SliderOutput,
                                      form->wydConfigButton, form->wydInfoButton, form->Mp3List};
    EXPECT_EQ(Visit(form.get(), 9), order);
    EXPECT_EQ(Visit(form.get(), 2, true),
              (std::vector<QWidget*>{form->wydInfoButton, form->wydConfigButton}));
    form->wydPause->setEnabled(false);
    Visit(form.get(), 1); // Info
    Visit(form.get(), 1); // the list
    EXPECT_EQ(Visit(form.get(), 3), (std::vector<QWidget*>{form->wydRecord, form->wydPlay, form->wydStop}))
        << "a disabled button is passed over";
}

TEST_F(Accessibility, TabVisitsTheSettingsAndAboutWindows) {
    Tprefs& prefs = *form->prefs;
    prefs.SetItemIndex(1);
    prefs.show();
    prefs.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&prefs)) << "the settings window did not become active";
    prefs.ComboBox1->setFocus();
    std::vector<QWidget*> visited = Visit(&prefs, 6);
    ASSERT_EQ(visited.size(), 6u);
    EXPECT_EQ(visited[2]->parentWidget(), prefs.RadioGroup1) << "one stop for the three quality items";
    visited[2] = nullptr;
    EXPECT_EQ(visited, (std::vector<QWidget*>{prefs.MonoCheckBox, prefs.CheckBoxVintage, nullptr,
                                              prefs.ButtonFlagEn, prefs.ButtonFlagFr, prefs.ButtonPath}));
    // A focused flag is pressed with Space, as any button of the settings window.
    prefs.ButtonFlagFr->setFocus();
    Press(&prefs, Qt::Key_Space);
    EXPECT_EQ(form->Traductor->localize(QStringLiteral("wyd_Language")), QStringLiteral("fr"));
    EXPECT_EQ(prefs.ButtonFlagFr->ButtonState(), wydButtonDown);
    prefs.close();

    TInfos& infos = *form->Infos;
    infos.show();
    infos.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&infos)) << "the about window did not become active";
    infos.velmaroskLink->setFocus();
    EXPECT_EQ(Visit(&infos, 2), (std::vector<QWidget*>{infos.LabelLinkOrvan, infos.MemoLicense}));
    infos.close();
}

// The transport's keyboard table keeps every key it owns, whatever has the focus.
TEST_F(Accessibility, TheKeyboardTableWinsOverAFocusedTransportButton) {
    ShowMain();
    form->wydRecord->setFocus();
    Press(form.get(), Qt::Key_Space);
    Press(form.get(), Qt::Key_Return);
    EXPECT_EQ(form->flagState(), flStop) << "Space stops and Return plays, even on the Record button";
    EXPECT_TRUE(QDir(form->mp3Folder).entryList({QStringLiteral("*.mp3")}, QDir::Files).isEmpty());
    form->wydStop->setFocus();
    Press(form.get(), Qt::Key_R);
    EXPECT_EQ(form->flagState(), flRecord) << "R records, even on the Stop button";
    ASSERT_TRUE(RunUntilTheTakeHoldsSound(*form)) << "waiting for the recording's first sound";
    Press(form.get(), Qt::Key_Space);
    EXPECT_EQ(form->flagState(), flPlay) << "Space stops once: the new recording plays, as after any stop";
    Press(form.get(), Qt::Key_Escape);
    EXPECT_EQ(form->flagState(), flStop);
}

TEST_F(Accessibility, AFocusedSliderOrListTakesItsOwnKeysAndNothingElse) {
    Recording(QStringLiteral("a"));
    Recording(QStringLiteral("b"));
    form->refreshlist();
    ShowMain();
    form->SliderOutput->setFocus();
    Press(form.get(), Qt::Key_Down);
    Press(form.get(), Qt::Key_PageDown);
    EXPECT_EQ(form->SliderOutput->Position(), 89);
    EXPECT_EQ(form->VolumeLabel->text(), QStringLiteral("Volume: 89"));
    Press(form.get(), Qt::Key_X);
    Press(form.get(), Qt::Key_Space);
    EXPECT_EQ(form->SliderOutput->Position(), 89) << "other keys are the table's or swallowed";

    form->Mp3List->setFocus();
    form->Mp3List->setCurrentItem(form->Mp3List->topLevelItem(0));
    Press(form.get(), Qt::Key_Down);
    EXPECT_EQ(form->Mp3List->currentItem(), form->Mp3List->topLevelItem(1))
        << "the arrows move along the rows";
}

TEST_F(Accessibility, AFocusedSettingsOrAboutButtonOpensItsWindowAfterTheTable) {
    ShowMain();
    form->wydInfoButton->setFocus();
    Press(form.get(), Qt::Key_Return);
    EXPECT_TRUE(form->Infos->isVisible())
        << "Return plays (nothing here) and then presses the focused button";
    form->Infos->close();
}
