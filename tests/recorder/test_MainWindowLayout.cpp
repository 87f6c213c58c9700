// The main window's layout rule, its built-in skin, and loading the skin files.

#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "Unit1.h"

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

TEST_F(MainWindow, TheResizeRuleAtTheDesignWidth) {
    ResizeTo(758);
    EXPECT_EQ(Left(form.FondPlayer), 28);
    EXPECT_EQ(form.FondPlayer->width(), 262);
    EXPECT_EQ(Left(form.wydRecord), 36);
    EXPECT_EQ(Left(form.wydPlay), 117);
    EXPECT_EQ(Left(form.wydPause), 172);
    EXPECT_EQ(Left(form.wydStop), 225);
    EXPECT_EQ(Left(form.Cadran), 397);
    EXPECT_EQ(Left(form.SliderMicro), 349);
    EXPECT_EQ(Left(form.SliderOutput), 605);
    EXPECT_EQ(form.Progres2->width(), 754);
    EXPECT_EQ(Left(form.wydConfigButton), 712);
    EXPECT_EQ(Left(form.wydInfoButton), 712);
    EXPECT_EQ(form.Mp3List->columnWidth(0), 357);
    EXPECT_EQ(form.Mp3List->columnWidth(1), 144);
    EXPECT_EQ(form.Mp3List->columnWidth(2), 60);
    EXPECT_EQ(form.Mp3List->columnWidth(3), 60);
}

TEST_F(MainWindow, TheResizeRuleTruncatesTowardZeroWhenNarrow) {
    form.setMinimumWidth(0);
    ResizeTo(400);
    EXPECT_EQ(Left(form.FondPlayer), -4);
    EXPECT_EQ(form.FondPlayer->width(), 214);
    EXPECT_EQ(Left(form.wydRecord), 4);
    EXPECT_EQ(Left(form.wydPlay), 69);
    EXPECT_EQ(Left(form.wydPause), 108);
    EXPECT_EQ(Left(form.wydStop), 145);
    EXPECT_EQ(Left(form.Cadran), 186);
    EXPECT_EQ(Left(form.SliderMicro), 158);
    EXPECT_EQ(Left(form.SliderOutput), 374);
    EXPECT_EQ(form.Progres2->width(), 396);
    EXPECT_EQ(Left(form.wydConfigButton), 370);
    EXPECT_EQ(form.Mp3List->columnWidth(0), 132);
    EXPECT_EQ(form.Mp3List->columnWidth(1), 76);
    EXPECT_EQ(form.Mp3List->columnWidth(2), 32);
    EXPECT_EQ(form.Mp3List->columnWidth(3), 32);
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
