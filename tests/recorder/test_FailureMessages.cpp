// What the window says when a recording fails, as the user sees it: the real message boxes, in
// English and in French, each with its icon, its reason first and the engine's text after it, and
// each saved as a picture in the build's screenshots folder.

#include "SmallDisk.h"
#include "TempHome.h"
#include "Unit1.h"
#include "WindowTestKit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <vector>

namespace {

// The real boxes; each one is saved as a picture and answered as soon as it is up.
class TSavedBoxes : public TMessageBoxes {
public:
    struct TSeen {
        QMessageBox::Icon icon;
        QString text;
    };
    QString pictureName; // of the next box
    std::vector<TSeen> seen;

    void ShowWarning(QWidget* parent, const QString& text) override {
        AnswerWhenUp();
        TMessageBoxes::ShowWarning(parent, text);
    }
    void ShowError(QWidget* parent, const QString& text) override {
        AnswerWhenUp();
        TMessageBoxes::ShowError(parent, text);
    }

private:
    void AnswerWhenUp() {
        auto* poll = new QTimer;
        auto* since = new QElapsedTimer;
        since->start();
        QObject::connect(poll, &QTimer::timeout, [this, poll, since] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box && since->elapsed() < 5000) return;
            poll->deleteLater();
            delete since;
            if (!box)
                return ADD_FAILURE() << "no message box came up within 5 s for " << pictureName.toStdString();
            seen.push_back({box->icon(), box->text()});
            const QString folder = qEnvironmentVariable("SARVO_BUILD_DIR") + QStringLiteral("/screenshots/");
            QDir().mkpath(folder);
            box->grab().save(folder + QStringLiteral("message-") + pictureName + QStringLiteral(".png"));
            box->accept();
        });
        poll->start(20);
    }
};

struct TFailure {
    const char* name;
    std::string engineText;
    bool fileMade, recorded;
    QMessageBox::Icon icon;
};

} // namespace

TEST(FailureMessages, EachReasonInTheUsersLanguageWithItsIconThenTheEngineText) {
    TempHome home;
    TSavedBoxes boxes;
    TForm1 form(&boxes);
    const QString homeFolder = QDir::homePath() + QLatin1Char('/');
    TSmallDisk disk(homeFolder + QStringLiteral("small"), 1);
    if (disk.Mounted())
        disk.Fill(768 * 1024);
    else
        std::printf("a 1 MiB tmpfs cannot be mounted here: the full disk is left out\n");
    const std::vector<TFailure> failures = {
        {"input-gone", "Input stopped delivering sound", true, true, QMessageBox::Warning},
        {"no-input", "Invalid device number", false, false, QMessageBox::Warning},
        {"folder-not-writable", "Error writing down mp3 file", false, false, QMessageBox::Critical},
        {"disk-full", "Error writing down mp3 file", true, true, QMessageBox::Critical},
    };
    const QString input = form.ComboRecLines->currentText();
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("fr")}) {
        form.ChangeLanguage(language);
        const QString engineLine = QStringLiteral("\r\n");
        const std::vector<QString> reasons = {
            form.InputGoneText(input, true),
            form.Texts.wyd_NoInput,
            FillName(form.Texts.wyd_FolderNotWritable, homeFolder + QStringLiteral("gone/")),
            FillName(form.Texts.wyd_DiskFull, disk.Folder()),
        };
        for (size_t i = 0; i < failures.size(); ++i) {
            const TFailure& failure = failures[i];
            if (std::string(failure.name) == "disk-full" && !disk.Mounted()) continue;
            form.mp3Folder = std::string(failure.name) == "disk-full" ? disk.Folder()
                                                                      : homeFolder + QStringLiteral("gone/");
            boxes.pictureName = QStringLiteral("%1-%2").arg(QLatin1String(failure.name), language);
            const size_t before = boxes.seen.size();
            form.ShowRunFailure(failure.engineText, failure.fileMade, failure.recorded);
            ASSERT_EQ(boxes.seen.size(), before + 1) << failure.name << " in " << language.toStdString();
            EXPECT_EQ(boxes.seen.back().icon, failure.icon) << failure.name;
            EXPECT_EQ(boxes.seen.back().text,
                      DisplayText(reasons[i] + engineLine + QString::fromStdString(failure.engineText)))
                << failure.name << " in " << language.toStdString();
        }
    }
}
