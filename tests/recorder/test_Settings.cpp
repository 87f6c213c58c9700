// The settings window's cycle: what it shows, what it applies and saves when it closes.

#include "Mp3Frames.h"
#include "ScriptedBoxes.h"
#include "ShellServices.h"
#include "TempHome.h"
#include "Unit1.h"
#include "UnitPrefs.h"
#include "WindowTestKit.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

struct Settings : testing::Test {
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TForm1> form;

    void SetUp() override {
        form = std::make_unique<TForm1>(&boxes);
        form->exeFolder =
            qEnvironmentVariable("SARVO_BUILD_DIR") + QStringLiteral("/"); // beside the built skins
        form->prefs = new Tprefs(*form);
    }
    QString PrefsPath() const { return form->AppDataFolder + QStringLiteral("prefs.ini"); }
    QString PrefsText() const {
        QFile file(PrefsPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // Opens the settings; whileOpen acts on the window as the user would, then it is closed.
    void Cycle(const std::function<void(Tprefs&)>& whileOpen = {}) {
        QTimer::singleShot(0, form->prefs, [&] {
            if (whileOpen) whileOpen(*form->prefs);
            form->prefs->close();
        });
        form->ReportErrors([&] { form->ConfigButtonClick(); });
    }
    void UsePacedInput(Tprefs& prefs) {
        prefs.ComboBox1->setCurrentIndex(
            prefs.ComboBox1->findText(QStringLiteral("Paced"), Qt::MatchStartsWith));
    }
    // A recording of a second of sound or more with the current settings; its path.
    QString Record() {
        form->RecClick();
        EXPECT_TRUE(RunUntilTheTakeHoldsSound(*form)) << "waiting for the recording's first sound";
        RunFor(1000);
        form->StopClick();
        const QStringList files =
            QDir(form->mp3Folder).entryList({QStringLiteral("Rec-*.mp3")}, QDir::Files, QDir::Time);
        return files.isEmpty() ? QString() : form->mp3Folder + files.first();
    }
};

} // namespace

TEST_F(Settings, OpeningAndClosingRewritesTheSettingsAndLeavesTheListAlone) {
    QFile(form->mp3Folder + QStringLiteral("late.mp3")).open(QIODevice::WriteOnly);
    const int device = form->DXAudioIn1.DeviceNumber();
    Cycle([&](Tprefs& prefs) {
        EXPECT_EQ(form->DXAudioIn1.DeviceNumber(), -1) << "no capture may start while the window is open";
        EXPECT_EQ(prefs.ComboBox1->count(), form->ComboRecLines->count());
        EXPECT_EQ(prefs.ComboBox1->currentIndex(), form->ComboRecLines->currentIndex());
        EXPECT_EQ(prefs.ItemIndex(), 1);
        EXPECT_TRUE(prefs.MonoCheckBox->isChecked());
        EXPECT_TRUE(prefs.CheckBoxVintage->isChecked());
        EXPECT_EQ(prefs.Edit1->text(), form->mp3Folder);
        EXPECT_EQ(prefs.ButtonFlagEn->ButtonState(), wydButtonDown);
        EXPECT_EQ(prefs.ButtonFlagFr->ButtonState(), wydButtonUp);
        EXPECT_EQ(prefs.windowTitle(), QStringLiteral(" Settings"));
        EXPECT_EQ(prefs.RadioItems[2]->text(),
                  QStringLiteral(" High (Takes up more space on the hard drive)"));
    });
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(PrefsText(), QStringLiteral("[QualityRecord]\nQuality=1\nNbChannels=1\n[Input]\nName=") +
                               form->ComboRecLines->itemText(0) +
                               QStringLiteral("\n[Language]\nLocale=en\n[Style]\nSkin=Vintage-Skin\n"));
    EXPECT_EQ(form->Mp3List->topLevelItemCount(), 0) << "an unchanged folder is not listed again";
    EXPECT_EQ(form->DXAudioIn1.DeviceNumber(), device);
}

TEST_F(Settings, AnotherFolderIsListedNewestFirstAndSavedUnderTheAccountName) {
    const QString other = home.Path(QStringLiteral("Elsewhere é"));
    QDir().mkpath(other);
    for (const char* name : {"old.mp3", "new.mp3"})
        QFile(other + QLatin1Char('/') + QLatin1String(name)).open(QIODevice::WriteOnly);
    QFile old(other + QStringLiteral("/old.mp3"));
    old.open(QIODevice::ReadWrite);
    old.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime);
    old.close();
    boxes.chosenFolder = other;
    Cycle([&](Tprefs& prefs) {
        prefs.ButtonPathClick();
        EXPECT_EQ(prefs.Edit1->text(), other + QStringLiteral("/"));
    });
    EXPECT_EQ(boxes.folderInstruction,
              QStringLiteral("Choose the directory you want to store your audio recordings in."));
    EXPECT_EQ(boxes.folderStart, home.Path(QStringLiteral("Documents/Sarvo mp3 Recordings/")));
    EXPECT_EQ(form->mp3Folder, other + QStringLiteral("/"));
    ASSERT_EQ(form->Mp3List->topLevelItemCount(), 2);
    EXPECT_EQ(form->Mp3List->topLevelItem(0)->text(0), QStringLiteral("new"));
    EXPECT_TRUE(PrefsText().contains(QStringLiteral("[PlaylistPath]\n") + ShellServices::UserName() +
                                     QStringLiteral("=") + other + QStringLiteral("/\n")));

    boxes.chosenFolder.clear();
    Cycle([&](Tprefs& prefs) { prefs.ButtonPathClick(); });
    EXPECT_EQ(form->mp3Folder, other + QStringLiteral("/")) << "a cancelled chooser changes nothing";
}

TEST_F(Settings, FlagsChangeTheMainWindowAtOnceAndTheLanguageIsSavedOnClosing) {
    Cycle([&](Tprefs& prefs) {
        prefs.ButtonFlagFrClick();
        EXPECT_EQ(form->Mp3List->headerItem()->text(3), QStringLiteral("Taille"));
        EXPECT_EQ(form->Toutsupprimer1->text(), QStringLiteral("Tout Supprimer"));
        EXPECT_EQ(prefs.windowTitle(), QStringLiteral(" Préférences"));
        EXPECT_EQ(prefs.ButtonFlagFr->ButtonState(), wydButtonDown);
        EXPECT_EQ(prefs.ButtonFlagEn->ButtonState(), wydButtonUp);
        prefs.ButtonFlagFrClick();
        EXPECT_EQ(prefs.ButtonFlagFr->ButtonState(), wydButtonDown)
            << "the flag already chosen stays pressed";
    });
    EXPECT_TRUE(PrefsText().contains(QStringLiteral("[Language]\nLocale=fr\n")));
}

TEST_F(Settings, TheVintageBoxSwitchesTheSkinAtOnceAndItsNameIsSaved) {
    Cycle([&](Tprefs& prefs) {
        prefs.SetVintageChecked(false);
        EXPECT_EQ(form->GetSkinName(), QStringLiteral("Modern-Skin"));
    });
    EXPECT_TRUE(PrefsText().endsWith(QStringLiteral("[Style]\nSkin=Modern-Skin\n")));
    Cycle([&](Tprefs& prefs) { EXPECT_FALSE(prefs.CheckBoxVintage->isChecked()); });
}

TEST_F(Settings, QualityAndMonoDecideTheNextRecording) {
    Cycle([&](Tprefs& prefs) {
        UsePacedInput(prefs);
        prefs.SetItemIndex(1);
        prefs.MonoCheckBox->setChecked(true);
    });
    std::vector<TMp3Frame> frames = Mp3Frames(ReadWholeFile(QFile::encodeName(Record()).toStdString()));
    ASSERT_GT(frames.size(), 30u);
    EXPECT_EQ(frames[5].bitrateKbps, 192u);
    EXPECT_EQ(frames[5].mode, 3u) << "mono";

    Cycle([&](Tprefs& prefs) {
        prefs.SetItemIndex(2);
        prefs.MonoCheckBox->setChecked(false);
    });
    EXPECT_TRUE(PrefsText().contains(QStringLiteral("Quality=2\nNbChannels=2\n")));
    const QString stereo = Record();
    frames = Mp3Frames(ReadWholeFile(QFile::encodeName(stereo).toStdString()));
    ASSERT_GT(frames.size(), 30u);
    EXPECT_EQ(frames[5].bitrateKbps, 320u);
    EXPECT_NE(frames[5].mode, 3u);
    TMP3In in;
    in.SetFileName(QFile::encodeName(stereo).toStdString());
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.Channels(), 2u) << "two channels decoded";
}

TEST_F(Settings, AnUnwritableSettingsFileIsReportedAndTheRestIsSkipped) {
    QFile file(PrefsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Language]\nLocale=en\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner);
    const int device = form->DXAudioIn1.DeviceNumber();
    Cycle([&](Tprefs& prefs) {
        prefs.SetItemIndex(2);
        prefs.ButtonFlagFrClick();
    });
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(boxes.shown, QStringList{QStringLiteral("Impossible d'écrire dans ") + PrefsPath()});
    EXPECT_EQ(PrefsText(), QStringLiteral("[Language]\nLocale=en\n"));
    EXPECT_EQ(form->MP3Out1.BitRate(), mbr320) << "what was applied before the failure stays";
    EXPECT_EQ(form->DXAudioIn1.DeviceNumber(), device) << "recording still works afterwards";
}
