#include "EngineTestKit.h"
#include "ScriptedBoxes.h"
#include "ShellServices.h"
#include "TempHome.h"
#include "TestSources.h"
#include "Unit1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString PrefsPath(const TempHome& home) {
    return home.Path(QStringLiteral(".config/Sarvo Mp3 Recorder/prefs.ini"));
}

void WritePlaylistPath(const TempHome& home, const QString& folder) {
    WriteFile(PrefsPath(home),
              "[PlaylistPath]\n" + ShellServices::UserName().toUtf8() + "=" + folder.toUtf8() + "\n");
}

} // namespace

TEST(FormCreate, FirstStartInAnEmptyHomeUsesTheSystemLanguageAndCreatesTheFolders) {
    TempHome home("fr_FR.UTF-8");
    ScriptedBoxes boxes;
    TForm1 form(&boxes);
    EXPECT_EQ(form.Traductor->CurrentLanguage(), QStringLiteral("fr"));
    EXPECT_EQ(form.Labelboutons->text(), QStringLiteral("En attente"));
    EXPECT_EQ(form.flagState(), flStop);
    EXPECT_EQ(form.AppDataFolder, home.Path(QStringLiteral(".config/Sarvo Mp3 Recorder/")));
    EXPECT_TRUE(QFileInfo(form.AppDataFolder).isDir());
    EXPECT_EQ(form.mp3Folder, home.Path(QStringLiteral("Documents/Sarvo mp3 Recordings/")));
    EXPECT_TRUE(QFileInfo(form.mp3Folder).isDir());
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(PrefsPath(home))) << "start-up writes no settings";
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Sarvo MP3 Recorder"));
    EXPECT_EQ(form.width(), 760);
    EXPECT_EQ(form.minimumWidth(), 600);
    EXPECT_EQ(form.maximumWidth(), 1200);
    EXPECT_EQ(form.minimumHeight(), 208);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST(FormCreate, CachedTextsFollowTheLanguage) {
    TempHome home("en_GB.UTF-8");
    ScriptedBoxes boxes;
    TForm1 form(&boxes);
    EXPECT_EQ(form.Texts.wyd_Play, QStringLiteral("Playing"));
    EXPECT_EQ(form.Texts.wyd_MenuDeleteAll, QStringLiteral("Delete all"));
    EXPECT_EQ(form.Texts.wyd_MsgDeleteAll.count(QStringLiteral("\r\n")), 1);
    form.ChangeLanguage(QStringLiteral("fr"));
    EXPECT_EQ(form.Texts.wyd_MenuDeleteAll, QStringLiteral("Tout Supprimer"));
    EXPECT_EQ(form.Texts.wyd_FileSize, QStringLiteral("Taille"));
    EXPECT_EQ(form.Labelboutons->text(), QStringLiteral("En attente"));
}

TEST(FormCreate, ALanguageTheTableDoesNotHoldGivesTheEnglishInterface) {
    TempHome home("de_DE.UTF-8");
    ScriptedBoxes boxes;
    {
        TForm1 form(&boxes);
        EXPECT_EQ(form.Traductor->CurrentLanguage(), QStringLiteral("en"));
        EXPECT_EQ(form.Labelboutons->text(), QStringLiteral("Standby"));
        EXPECT_EQ(form.Mp3List->headerItem()->text(1), QStringLiteral("Date and time"));
        EXPECT_EQ(form.Texts.wyd_MenuDeleteAll, QStringLiteral("Delete all"));
        TLanguage table;
        table.setSource(QStringLiteral("Resource_Lng"));
        table.setLanguage(QStringLiteral("de"));
        EXPECT_EQ(table.localize(QStringLiteral("wyd_Standby")), QString())
            << "the lookup itself is unchanged";
    }
    for (const char* saved : {"de", "FR", "Default", ""}) {
        WriteFile(PrefsPath(home), QByteArray("[Language]\nLocale=") + saved + "\n");
        TForm1 form(&boxes);
        EXPECT_EQ(form.Labelboutons->text(), QStringLiteral("Standby")) << "saved " << saved;
    }
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join(QLatin1Char('|')).toStdString();
}

TEST(FormCreate, SavedLocaleWinsOverTheSystemLanguage) {
    TempHome home("fr_FR.UTF-8");
    WriteFile(PrefsPath(home), "[language]\nlocale=en\n");
    ScriptedBoxes boxes;
    TForm1 form(&boxes);
    EXPECT_EQ(form.Labelboutons->text(), QStringLiteral("Standby"));
}

TEST(FormCreate, StateLabelFollowsEveryStateAndIgnoresValuesOutsideTheEnumeration) {
    TempHome home;
    ScriptedBoxes boxes;
    TForm1 form(&boxes);
    const std::pair<TflState, const char*> states[] = {{flPlay, "Playing"},
                                                       {flPause, "Playing (Paused)"},
                                                       {flRecord, "Recording"},
                                                       {flRecPause, "Recording (Pause)"},
                                                       {flStop, "Standby"}};
    for (const auto& [state, label] : states) {
        form.SetflagState(state);
        EXPECT_EQ(form.Labelboutons->text(), QString::fromLatin1(label));
    }
    form.SetflagState(static_cast<TflState>(9));
    EXPECT_EQ(form.flagState(), static_cast<TflState>(9));
    EXPECT_EQ(form.Labelboutons->text(), QStringLiteral("Standby"));
}

TEST(FormCreate, StalePlaylistPathAnsweredYesCreatesTheFolder) {
    TempHome home;
    const QString stale = home.Path(QStringLiteral("Old recordings/"));
    WritePlaylistPath(home, stale);
    const QByteArray before = ReadFile(PrefsPath(home));
    ScriptedBoxes boxes;
    boxes.answers = {true};
    TForm1 form(&boxes);
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown[0],
              QStringLiteral("Directory %1 does not exist. Do you want to create it?").arg(stale));
    EXPECT_EQ(boxes.shown[1], QStringLiteral("Directory %1 has been successfully created").arg(stale));
    EXPECT_EQ(form.mp3Folder, stale);
    EXPECT_TRUE(QFileInfo(stale).isDir());
    EXPECT_EQ(ReadFile(PrefsPath(home)), before) << "the settings file is not changed";
}

TEST(FormCreate, StalePlaylistPathWhoseParentIsMissingFallsBackWithTheCombinedMessage) {
    TempHome home;
    const QString stale = home.Path(QStringLiteral("gone/deeper/"));
    WritePlaylistPath(home, stale);
    ScriptedBoxes boxes;
    boxes.answers = {true};
    TForm1 form(&boxes);
    const QString defaultFolder = home.Path(QStringLiteral("Documents/Sarvo mp3 Recordings/"));
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown[1],
              QStringLiteral("Unable to create %1 directory.\r\nAudio recordings will be stored in\r\n%2")
                  .arg(stale, defaultFolder));
    EXPECT_EQ(form.mp3Folder, defaultFolder);
    EXPECT_FALSE(QFileInfo::exists(stale));
}

TEST(FormCreate, StalePlaylistPathAnsweredNoUsesTheDefaultFolder) {
    TempHome home("fr_FR.UTF-8");
    const QString stale = home.Path(QStringLiteral("Old recordings/"));
    WritePlaylistPath(home, stale);
    ScriptedBoxes boxes;
    boxes.answers = {false};
    TForm1 form(&boxes);
    const QString defaultFolder = home.Path(QStringLiteral("Documents/Sarvo mp3 Recordings/"));
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown[0],
              QStringLiteral("Le dossier\r\n%1\r\nn'existe pas. Voulez-vous le créer ?").arg(stale));
    EXPECT_EQ(boxes.shown[1],
              QStringLiteral("Les enregistrements seront stockés dans\r\n%1").arg(defaultFolder));
    EXPECT_EQ(form.mp3Folder, defaultFolder);
    EXPECT_FALSE(QFileInfo::exists(stale));
}

TEST(FormCreate, SavedFolderWithAccentsSpacesAndNoTrailingSeparatorIsUsedAsIs) {
    TempHome home;
    const QString folder = home.Path(QStringLiteral("Mes enregistrements à moi 🎙"));
    ASSERT_TRUE(QDir().mkpath(folder));
    WritePlaylistPath(home, folder);
    ScriptedBoxes boxes;
    TForm1 form(&boxes);
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(form.mp3Folder, folder + QLatin1Char('/'));
}

TEST(FormCreate, DocumentsThatCannotTakeTheSubfolderBecomeTheDefault) {
    TempHome home;
    WriteFile(home.Path(QStringLiteral("Documents/Sarvo mp3 Recordings")), "a file in the way");
    ScriptedBoxes boxes;
    TForm1 form(&boxes);
    EXPECT_EQ(form.mp3Folder, home.Path(QStringLiteral("Documents/")));
}

TEST(FormCreate, GarbageSettingsFileGivesTheDefaults) {
    TempHome home;
    QByteArray junk;
    for (int i = 0; i < 3000; ++i) junk.append(static_cast<char>((i * 131 + 17) % 256));
    WriteFile(PrefsPath(home), junk);
    ScriptedBoxes boxes;
    TForm1 form(&boxes);
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(form.mp3Folder, home.Path(QStringLiteral("Documents/Sarvo mp3 Recordings/")));
    EXPECT_EQ(form.Labelboutons->text(), QStringLiteral("Standby"));
}

TEST(FormCreate, ConfigHomeFromTheEnvironment) {
    TempHome home;
    qputenv("XDG_CONFIG_HOME", home.Path(QStringLiteral("conf")).toLocal8Bit());
    QDir().mkpath(home.Path(QStringLiteral("conf")));
    ScriptedBoxes boxes;
    TForm1 form(&boxes);
    EXPECT_EQ(form.AppDataFolder, home.Path(QStringLiteral("conf/Sarvo Mp3 Recorder/")));
}

TEST(ShellServices, InterfaceLanguageFromTheLocaleVariables) {
    TempHome home(nullptr);
    EXPECT_EQ(ShellServices::InterfaceLanguage(), QStringLiteral("en")) << "C locale";
    qputenv("LANG", "fr_CA.UTF-8");
    EXPECT_EQ(ShellServices::InterfaceLanguage(), QStringLiteral("fr"));
    qputenv("LC_MESSAGES", "de_AT@euro");
    EXPECT_EQ(ShellServices::InterfaceLanguage(), QStringLiteral("de"));
    qputenv("LANGUAGE", "es:en");
    EXPECT_EQ(ShellServices::InterfaceLanguage(), QStringLiteral("es"));
    qputenv("LC_ALL", "C");
    EXPECT_EQ(ShellServices::InterfaceLanguage(), QStringLiteral("en")) << "LANGUAGE is ignored under C";
}

TEST(FormCreate, QualityAndChannelsFromTheSettingsFile) {
    TempHome home;
    ScriptedBoxes boxes;
    {
        TForm1 form(&boxes);
        EXPECT_EQ(form.Quality, 1);
        EXPECT_EQ(form.MP3Out1.BitRate(), mbr192);
        EXPECT_EQ(form.DXAudioIn1.Channels(), 1u);
        EXPECT_TRUE(form.Timer1.isActive());
        EXPECT_EQ(form.NULLOut1.Status(), tosPlaying) << "monitoring runs from start-up";
    }
    WriteFile(PrefsPath(home), "[QualityRecord]\nQuality=7\nNbChannels=2\n");
    {
        TForm1 form(&boxes);
        EXPECT_EQ(form.Quality, 7);
        EXPECT_EQ(form.MP3Out1.BitRate(), mbrAuto) << "an unknown quality leaves the bit rate alone";
        EXPECT_EQ(form.DXAudioIn1.Channels(), 2u);
    }
    WriteFile(PrefsPath(home), "[QualityRecord]\nQuality=2\nNbChannels=-5\n");
    TForm1 form(&boxes);
    EXPECT_EQ(form.MP3Out1.BitRate(), mbr320);
    EXPECT_EQ(form.DXAudioIn1.Channels(), 1u) << "a channel count the capture cannot take records mono";
}

TEST(FormCreate, NoRecordingInputEndsTheStartWithTheMessage) {
    TempHome home;
    ScriptedBoxes boxes;
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/sarvo/native");
    TForm1 form(&boxes);
    qputenv("PULSE_SERVER", server);
    EXPECT_TRUE(form.StartupAborted());
    EXPECT_EQ(boxes.shown,
              QStringList{QStringLiteral("No compliant recording device has been detected on your system, so "
                                         "Sarvo MP3 Recorder cannot be started.")});
    EXPECT_FALSE(form.Timer1.isActive());
}

TEST(FormCreate, FilesThatAreNotRecordingsNeitherHoldUpTheStartNorList) {
    TempHome home;
    const QString folder = home.Path(QStringLiteral("Documents/Sarvo mp3 Recordings/"));
    ASSERT_TRUE(QDir().mkpath(folder));
    TToneSource tone(44100, 1, 440.0, 0.5, 88200);
    TMP3Out out;
    out.SetInput(&tone);
    out.SetFileName(QFile::encodeName(folder + QStringLiteral("x.mp3")).toStdString());
    out.BlockingRun();
    TSpecialFiles special(QFile::encodeName(folder).toStdString());
    ScriptedBoxes boxes;
    TForm1 form(&boxes);
    EXPECT_FALSE(special.DeadlinePassed()) << "start-up waited on the FIFO";
    ASSERT_EQ(form.Mp3List->topLevelItemCount(), 1) << "only the recording lists";
    EXPECT_EQ(form.Mp3List->topLevelItem(0)->text(0), QStringLiteral("x"));
    EXPECT_EQ(form.Mp3List->topLevelItem(0)->text(2), QStringLiteral("00:00:01"));
}
