// The main window's layout rule, its built-in skin, and loading the skin files.

#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "Unit1.h"
#include "UnitPrefs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <gtest/gtest.h>

namespace {

// Left edge inside the main panel, whose one-pixel border the controls sit within.
int Left(const QWidget* control) { return control->x() - 1; }

struct MainWindow : testing::Test {
    TempHome home;
    ScriptedBoxes boxes;
    TForm1 form{&boxes};

    void ResizeTo(int width) {
        form.resize(width, 439);
        form.FormResize();
    }
    // A skins folder beside a pretend program folder, holding the built skins.
    QString ProgramFolderWithSkins() {
        const QString folder = home.Path(QStringLiteral("program/"));
        QDir().mkpath(folder + QStringLiteral("Skins"));
        const QString built = qEnvironmentVariable("SARVO_BUILD_DIR") + QStringLiteral("/Skins/");
        for (const char* skin : {"Vintage-Skin", "Modern-Skin"})
            QFile::copy(built + QLatin1String(skin), folder + QStringLiteral("Skins/") + QLatin1String(skin));
        return folder;
    }
};

} // namespace

namespace {

// What the resize rule gives at one client width.
struct TLayout {
    int width;
    int fondLeft, fondWidth, record, play, pause, stop, cadran, micro, output, progressWidth, buttons;
    int columns[4];
};

} // namespace

TEST_F(MainWindow, TheResizeRuleAtTheDesignWidthAndWhenNarrow) {
    form.setMinimumWidth(0);
    // At 400, g = -4 and e = -10: every division truncates toward zero.
    for (const TLayout& want :
         {TLayout{758, 28, 262, 36, 117, 172, 225, 397, 349, 605, 754, 712, {357, 144, 60, 60}},
          TLayout{400, -4, 214, 4, 69, 108, 145, 186, 158, 374, 396, 370, {132, 76, 32, 32}}}) {
        SCOPED_TRACE(want.width);
        ResizeTo(want.width);
        EXPECT_EQ(Left(form.FondPlayer), want.fondLeft);
        EXPECT_EQ(form.FondPlayer->width(), want.fondWidth);
        EXPECT_EQ(Left(form.wydRecord), want.record);
        EXPECT_EQ(Left(form.wydPlay), want.play);
        EXPECT_EQ(Left(form.wydPause), want.pause);
        EXPECT_EQ(Left(form.wydStop), want.stop);
        EXPECT_EQ(Left(form.Cadran), want.cadran);
        EXPECT_EQ(Left(form.SliderMicro), want.micro);
        EXPECT_EQ(Left(form.SliderOutput), want.output);
        EXPECT_EQ(form.Progres2->width(), want.progressWidth);
        EXPECT_EQ(Left(form.wydConfigButton), want.buttons);
        EXPECT_EQ(Left(form.wydInfoButton), want.buttons);
        const std::array<int, 4> rule = TForm1::ListColumnWidths(want.width);
        const int minimum[4] = {230, 160, 90, 90};
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(rule[c], want.columns[c]) << "column " << c;
            if (c == 1)
                EXPECT_GE(form.Mp3List->columnWidth(c), minimum[c])
                    << "at least its minimum, more for long times";
            else
                EXPECT_EQ(form.Mp3List->columnWidth(c), std::max(want.columns[c], minimum[c]))
                    << "a column keeps its minimum";
        }
    }
}

TEST_F(MainWindow, TheBuiltInSkinDrawsEverythingBeforeAnyFileIsRead) {
    EXPECT_EQ(form.GetSkinName(), QStringLiteral("Vintage-Skin"));
    EXPECT_EQ(form.wydPngListe1->Count(), 35);
    EXPECT_EQ(form.FondPlayer->size(), QSize(245, 83)) << "the frame keeps its own size";
    EXPECT_EQ(form.wydRecord->size(), QSize(64, 59));
    EXPECT_EQ(form.wydPlay->size(), QSize(40, 38));
    EXPECT_EQ(form.InputVuMeter->ColorGutterOn(), 0x00668384u);
    EXPECT_EQ(form.Labelboutons->palette().color(QPalette::WindowText), QColor(0x84, 0x83, 0x66));
}

TEST_F(MainWindow, LoadingSkinFiles) {
    form.exeFolder = ProgramFolderWithSkins();
    EXPECT_FALSE(form.LoadSkin(QStringLiteral("No-Such-Skin")));
    EXPECT_EQ(form.GetSkinName(), QStringLiteral("Vintage-Skin")) << "a missing file changes nothing";
    ASSERT_TRUE(form.LoadSkin(QStringLiteral("Modern-Skin")));
    EXPECT_EQ(form.GetSkinName(), QStringLiteral("Modern-Skin"));
    EXPECT_EQ(form.InputVuMeter->ColorGutterOn(), 0x00F0C828u);
    EXPECT_EQ(form.VolumeLabel->palette().color(QPalette::WindowText), QColor(0x28, 0xC8, 0xF0));
    form.SelectSkin(1);
    EXPECT_EQ(form.GetSkinName(), QStringLiteral("Vintage-Skin"));
    form.SelectSkin(7);
    EXPECT_EQ(form.GetSkinName(), QStringLiteral("Vintage-Skin"));

    // A name is a file of the skins folder, never a path out of it.
    QFile::copy(form.exeFolder + QStringLiteral("Skins/Modern-Skin"),
                home.Path(QStringLiteral("Modern-Skin")));
    EXPECT_FALSE(form.LoadSkin(QStringLiteral("../../Modern-Skin")));
    EXPECT_FALSE(form.LoadSkin(QStringLiteral("..")));
    EXPECT_EQ(form.GetSkinName(), QStringLiteral("Vintage-Skin"));

    // A damaged skin file leaves the window as it was.
    QFile damaged(form.exeFolder + QStringLiteral("Skins/Damaged-Skin"));
    QFile modern(form.exeFolder + QStringLiteral("Skins/Modern-Skin"));
    ASSERT_TRUE(modern.open(QIODevice::ReadOnly) && damaged.open(QIODevice::WriteOnly));
    damaged.write(modern.read(modern.size() / 2));
    damaged.close();
    EXPECT_FALSE(form.LoadSkin(QStringLiteral("Damaged-Skin")));
    EXPECT_EQ(form.wydPngListe1->Count(), 35);
    EXPECT_EQ(form.GetSkinName(), QStringLiteral("Vintage-Skin"));
}

TEST_F(MainWindow, ADarkDesktopPaletteReachesTheSystemColoursAndTheSkinKeepsItsOwn) {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Button, QColor(40, 40, 44));
    dark.setColor(QPalette::Window, QColor(30, 30, 34));
    QApplication::setPalette(dark);
    // Qt tells the widgets only while its event loop runs; the test tells the window itself.
    QEvent change(QEvent::ApplicationPaletteChange);
    QCoreApplication::sendEvent(&form, &change);
    EXPECT_EQ(form.palette().color(QPalette::Button), QColor(40, 40, 44)) << "the status line's button face";
    EXPECT_EQ(form.Mp3List->palette().color(QPalette::Base), ColorToQColor(clBtnFace, dark))
        << "the list's ground";
    EXPECT_EQ(form.Labelboutons->palette().color(QPalette::WindowText), QColor(0x84, 0x83, 0x66))
        << "the skin's colour";
    QApplication::setPalette(light);
}

namespace {

int TextWidth(const QFont& font, const QString& text) { return QFontMetrics(font).horizontalAdvance(text); }

// What a person would miss of the window's texts: each text that does not fit where it is drawn.
class TFitCheck {
public:
    QStringList Problems;

    // A label shows its whole text and lies whole inside its parent.
    void Label(const QLabel& label, const QString& name) {
        Fits(TextWidth(label.font(), label.text()), label.width(),
             name + QStringLiteral(" \"") + label.text() + '"');
        Fits(label.x() + label.width(), label.parentWidget()->width(),
             name + QStringLiteral(" inside its parent"));
    }
    // A check box or radio button is as wide as it wants to be for its text.
    void Button(const QAbstractButton& button) {
        Fits(button.sizeHint().width(), button.width(), QStringLiteral("\"") + button.text() + '"');
    }
    // A group box's title, between the frame's rounded corners.
    void Group(const QGroupBox& group) {
        Fits(TextWidth(group.font(), group.title()) + 16, group.width(),
             QStringLiteral("\"") + group.title() + '"');
    }
    void Fits(int needed, int room, const QString& what) {
        if (needed > room) Problems << QStringLiteral("%1 needs %2, has %3").arg(what).arg(needed).arg(room);
    }
};

// The whole main window: state and volume labels, the clock, the list's headers and cells, the tips.
void CheckMainWindow(TForm1& form, TFitCheck& check) {
    check.Label(*form.Labelboutons, QStringLiteral("state label"));
    check.Label(*form.VolumeLabel, QStringLiteral("volume label"));
    check.Fits(TextWidth(form.Cadran->font(), QStringLiteral("00:00:00")), form.Cadran->width(),
               QStringLiteral("the clock"));
    QTreeWidget& list = *form.Mp3List;
    for (int column = 0; column < 4; ++column) {
        const QString header = list.headerItem()->text(column);
        check.Fits(list.header()->sectionSizeHint(column), list.columnWidth(column),
                   QStringLiteral("header \"") + header + '"');
        if (column == 0) continue; // names are ended with an ellipsis when too long
        for (int row = 0; row < list.topLevelItemCount(); ++row) {
            const QString cell = list.topLevelItem(row)->text(column);
            check.Fits(TextWidth(list.font(), cell) + 17, list.columnWidth(column),
                       QStringLiteral("cell \"") + cell + '"');
        }
    }
    for (QObject* control :
         {static_cast<QObject*>(form.wydRecord), static_cast<QObject*>(form.wydPlay),
          static_cast<QObject*>(form.wydPause), static_cast<QObject*>(form.wydStop),
          static_cast<QObject*>(form.SliderMicro), static_cast<QObject*>(form.SliderOutput),
          static_cast<QObject*>(form.wydConfigButton), static_cast<QObject*>(form.wydInfoButton)}) {
        const QString tip = QStringLiteral(" ") + *form.TipOf(control);
        check.Fits(TextWidth(form.StatusBar1->font(), tip) + 10, 400, QStringLiteral("tip \"") + tip + '"');
    }
    check.Fits(TextWidth(form.StatusBar1->font(), form.Texts.wyd_PleaseWait) + 10, 400,
               form.Texts.wyd_PleaseWait);
}

void CheckSettingsWindow(Tprefs& prefs, TFitCheck& check) {
    for (QGroupBox* group : {prefs.GroupBox1, prefs.RadioGroup1, prefs.PathGroupBox}) check.Group(*group);
    for (QAbstractButton* button : {static_cast<QAbstractButton*>(prefs.MonoCheckBox),
                                    static_cast<QAbstractButton*>(prefs.CheckBoxVintage)})
        check.Button(*button);
    for (QRadioButton* item : prefs.RadioItems) check.Button(*item);
}

// The system locale for the life of the object.
struct TScopedLocale {
    explicit TScopedLocale(const char* name) { QLocale::setDefault(QLocale(QString::fromLatin1(name))); }
    ~TScopedLocale() { QLocale::setDefault(QLocale::system()); }
};

void Dated(const QString& path, const QDateTime& when) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(123456, 'x'));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

} // namespace

TEST_F(MainWindow, EveryTextFitsInEveryStateBothLanguagesAndCommonLocales) {
    // The widest times: two-digit months, days and hours, in the afternoon for AM/PM.
    Dated(form.mp3Folder + QStringLiteral("Rec-2026-12-28-22-58-58.mp3"),
          QDateTime(QDate(2026, 12, 28), QTime(22, 58, 58)));
    Dated(form.mp3Folder + QStringLiteral("Interview.mp3"),
          QDateTime(QDate(2026, 11, 30), QTime(10, 48, 38)));
    Tprefs prefs(form);
    form.show();
    const QString shots = qEnvironmentVariable("SARVO_BUILD_DIR") + QStringLiteral("/screenshots/");
    QDir().mkpath(shots);
    const std::pair<TflState, const char*> states[] = {{flStop, "stop"},
                                                       {flPlay, "play"},
                                                       {flPause, "pause"},
                                                       {flRecord, "record"},
                                                       {flRecPause, "recpause"}};
    for (const char* locale : {"en_US", "en_GB", "fr_FR"}) {
        TScopedLocale scoped(locale);
        for (const char* lang : {"en", "fr"}) {
            prefs.SetLanguage(QString::fromLatin1(lang));
            form.refreshlist();
            form.croissant = true;
            form.Mp3ListColumnClick(1);
            form.FormResize();
            for (const auto& [state, name] : states) {
                form.SetflagState(state);
                TFitCheck check;
                CheckMainWindow(form, check);
                CheckSettingsWindow(prefs, check);
                EXPECT_TRUE(check.Problems.isEmpty()) << locale << " " << lang << " " << name << ":\n"
                                                      << check.Problems.join(QLatin1Char('\n')).toStdString();
                form.grab().save(shots + QStringLiteral("main-%1-%2-%3.png").arg(locale, lang, name));
            }
            prefs.grab().save(shots + QStringLiteral("settings-%1-%2.png").arg(locale, lang));
        }
    }
    // At the narrowest window the list still has room for every column beside the names.
    for (const char* locale : {"en_US", "fr_FR"}) {
        TScopedLocale scoped(locale);
        form.refreshlist();
        ResizeTo(600);
        int total = 0;
        for (int column = 0; column < 4; ++column) total += form.Mp3List->columnWidth(column);
        EXPECT_LE(total, form.Mp3List->width()) << locale << ": no sideways scrolling at the narrowest";
        TFitCheck check;
        CheckMainWindow(form, check);
        EXPECT_TRUE(check.Problems.isEmpty()) << locale << " at 600:\n"
                                              << check.Problems.join(QLatin1Char('\n')).toStdString();
    }
}
