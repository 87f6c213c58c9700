// The about window: the splash countdown, its later use, the terms of use and the links.

#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "Unit1.h"
#include "UnitInfos.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct About : testing::Test {
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>(&boxes);
    QString startFolder = QDir::currentPath();

    void TearDown() override { QDir::setCurrent(startFolder); }
    void WriteTerms(const QString& folder, const QString& lang, const QByteArray& text) {
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/Licence-") + lang + QStringLiteral(".txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    // Runs where no terms-of-use file is, with a program folder of its own.
    void WorkIn(const QString& folder) {
        QDir().mkpath(folder);
        QDir::setCurrent(folder);
        form->exeFolder = home.Path(QStringLiteral("program/"));
        QDir().mkpath(form->exeFolder);
    }
};

} // namespace

TEST_F(About, TheSplashCountsDownSixClosesThenBecomesAnOrdinaryDialog) {
    auto* infos = new TInfos(*form);
    form->Infos = infos;
    EXPECT_TRUE(infos->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(infos->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(infos->isModal());
    EXPECT_EQ(infos->size(), QSize(950, 760));
    EXPECT_EQ(infos->LabelCountdown->text(), QStringLiteral("6"));
    EXPECT_TRUE(infos->Timer1.isActive());
    EXPECT_EQ(infos->Timer1.interval(), 1000);
    infos->show();
    for (const char* shown : {"5", "4", "3", "2", "1"}) {
        infos->Timer1Timer();
        EXPECT_EQ(infos->LabelCountdown->text(), QLatin1String(shown));
        EXPECT_TRUE(infos->isVisible());
    }
    infos->Timer1Timer();
    EXPECT_FALSE(infos->isVisible()) << "closed after six ticks";
    EXPECT_EQ(infos->LabelCountdown->text(), QStringLiteral("1"));
    infos->Timer1Timer();
    EXPECT_EQ(infos->LabelCountdown->text(), QString());
    EXPECT_FALSE(infos->Timer1.isActive());
    EXPECT_FALSE(infos->windowFlags() & Qt::FramelessWindowHint) << "a dialog border";
    EXPECT_FALSE(infos->windowFlags() & Qt::WindowStaysOnTopHint);

    form->InfosButtonClick();
    EXPECT_TRUE(infos->isVisible());
    EXPECT_FALSE(infos->isModal()) << "the main window goes on working";
    EXPECT_EQ(infos->windowTitle(), QStringLiteral("  Infos")) << "a blank before the table's own";
}

TEST_F(About, AnAboutWindowOpenedBeforeTheSplashsLastTickStaysOpen) {
    auto* infos = new TInfos(*form);
    form->Infos = infos;
    infos->show();
    for (int tick = 0; tick < 6; ++tick) infos->Timer1Timer();
    ASSERT_FALSE(infos->isVisible()) << "the splash closed after six ticks";
    form->InfosButtonClick();
    infos->Timer1Timer();
    EXPECT_FALSE(infos->windowFlags() & Qt::FramelessWindowHint)
        << "the last tick made it an ordinary dialog";
    EXPECT_TRUE(infos->isVisible()) << "the about window opened a moment after the splash stays open";
}

TEST_F(About, TermsOfUseInTheLanguageFromTheWorkingFolderThenTheProgramsOwn) {
    WorkIn(home.Path(QStringLiteral("work")));
    WriteTerms(QDir::currentPath(), QStringLiteral("fr"), "Conditions de test, en UTF-8 : éèà.");
    WriteTerms(form->exeFolder, QStringLiteral("en"), "Terms beside the program.");
    TInfos infos(*form);
    EXPECT_TRUE(boxes.shown.isEmpty()) << "English is found in the program's folder";
    EXPECT_EQ(infos.MemoLicense->toPlainText(), QStringLiteral("Terms beside the program."));
    infos.SetLanguage(QStringLiteral("fr"));
    EXPECT_EQ(infos.MemoLicense->toPlainText(), QStringLiteral("Conditions de test, en UTF-8 : éèà."));
    EXPECT_EQ(infos.Label2->text(), QStringLiteral("vous est offert par"));
    EXPECT_EQ(form->Labelboutons->text(), QStringLiteral("En attente")) << "the main window follows";
}

TEST_F(About, MissingTermsOfUseKeepTheBuiltInCopyAndSaySoAtEachShowing) {
    WorkIn(home.Path(QStringLiteral("empty")));
    auto* infos = new TInfos(*form);
    form->Infos = infos;
    EXPECT_EQ(boxes.shown, QStringList{QStringLiteral("Fichier de licence introuvable.")});
    EXPECT_TRUE(
        infos->MemoLicense->toPlainText().startsWith(QStringLiteral("Sarvo MP3 Recorder — Terms of use")))
        << "the built-in copy";
    form->InfosButtonClick();
    EXPECT_EQ(boxes.shown.size(), 2);
}

TEST_F(About, LinksLightUpWithAHandCursor) {
    TInfos infos(*form);
    const auto colour = [](const QLabel* label) { return label->palette().color(QPalette::WindowText); };
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QCoreApplication::sendEvent(infos.LabelLinkOrvan, &enter);
    EXPECT_EQ(colour(infos.LabelLinkOrvan), QColor(0x00, 0x80, 0x80));
    EXPECT_EQ(infos.LabelLinkOrvan->cursor().shape(), Qt::PointingHandCursor);
    QCoreApplication::sendEvent(infos.LabelLinkOrvan, &leave);
    EXPECT_EQ(colour(infos.LabelLinkOrvan), QColor(0x44, 0x44, 0x44));
    EXPECT_EQ(infos.LabelLinkOrvan->cursor().shape(), Qt::ArrowCursor);
    QCoreApplication::sendEvent(infos.velmaroskLink, &enter);
    EXPECT_EQ(colour(infos.velmaroskLink), QColor(0x00, 0xFF, 0xFF));
    QCoreApplication::sendEvent(infos.velmaroskLink, &leave);
    EXPECT_EQ(colour(infos.velmaroskLink), QColor(0xFF, 0xFB, 0xF0));
}
