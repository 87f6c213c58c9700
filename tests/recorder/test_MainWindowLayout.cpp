// The main window's layout rule, its built-in skin, and loading the skin files.

#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "Unit1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// Left edge inside the main panel, whose one-pixel border the controls sit within.
int Left(const QWidget* control) {
    return control->x() - 1;
}

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
    for (const TLayout& want : {TLayout{758, 28, 262, 36, 117, 172, 225, 397, 349, 605, 754, 712, {357, 144, 60, 60}},
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
            EXPECT_EQ(form.Mp3List->columnWidth(c), std::max(want.columns[c], minimum[c])) << "a column keeps its minimum";
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
    QFile::copy(form.exeFolder + QStringLiteral("Skins/Modern-Skin"), home.Path(QStringLiteral("Modern-Skin")));
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
    EXPECT_EQ(form.Mp3List->palette().color(QPalette::Base), ColorToQColor(clBtnFace, dark)) << "the list's ground";
    EXPECT_EQ(form.Labelboutons->palette().color(QPalette::WindowText), QColor(0x84, 0x83, 0x66)) << "the skin's colour";
    QApplication::setPalette(light);
}
