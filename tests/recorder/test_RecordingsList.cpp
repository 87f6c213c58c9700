// The recordings list: listing, sizes, sorting, playing, renaming, deleting, the menu, the language.

#include "EngineTestKit.h"
#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "TestSources.h"
#include "TrashKit.h"
#include "Unit1.h"
#include "WindowTestKit.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct RecordingsList : testing::Test {
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TForm1> form;

    std::string trash = PinnedHomeTrash();

    void SetUp() override { form = std::make_unique<TForm1>(&boxes); }
    QString Folder() const { return form->mp3Folder; }
    QByteArray NativeFolder() const { return QFile::encodeName(Folder()); }
    // A valid recording of the given length, dated minutesAgo before now.
    void Recording(const QString& name, int seconds = 1, int minutesAgo = 0) {
        Recording(QFile::encodeName(name), seconds, minutesAgo);
    }
    // The same, named by bytes that need not be valid text.
    void Recording(const QByteArray& nativeName, int seconds = 1, int minutesAgo = 0) {
        TToneSource tone(44100, 1, 440.0, 0.5, int64_t{seconds} * 88200);
        TMP3Out out;
        out.SetInput(&tone);
        out.SetBitRate(mbr64);
        out.SetFileName((NativeFolder() + nativeName).toStdString());
        out.BlockingRun();
        Date(nativeName, minutesAgo);
    }
    void FileOfSize(const QString& name, int bytes, int minutesAgo = 0) {
        QFile file(Folder() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(bytes, 'x'));
        file.close();
        Date(QFile::encodeName(name), minutesAgo);
    }
    void Date(const QByteArray& nativeName, int minutesAgo) {
        const timespec when{time(nullptr) - 60 * minutesAgo, 0};
        const timespec times[2] = {when, when};
        ASSERT_EQ(utimensat(AT_FDCWD, (NativeFolder() + nativeName).constData(), times, 0), 0);
    }
    void Refill() {
        form->refreshlist();
        form->croissant = true;
        form->Mp3ListColumnClick(1);
    }
    QStringList Column(int column) const {
        QStringList texts;
        for (int i = 0; i < form->Mp3List->topLevelItemCount(); ++i)
            texts << form->Mp3List->topLevelItem(i)->text(column);
        return texts;
    }
    QTreeWidgetItem* Row(const QString& caption) const {
        const QList<QTreeWidgetItem*> found = form->Mp3List->findItems(caption, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.first();
    }
    void Select(const QString& caption) {
        QTreeWidgetItem* row = Row(caption);
        ASSERT_NE(row, nullptr) << caption.toStdString();
        form->Mp3List->setCurrentItem(row);
    }
    QStringList Files() const { return QDir(Folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    // Every name in the folder, by its bytes, sorted.
    std::vector<std::string> NativeNames() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(NativeFolder().toStdString()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Runs show, which brings up a message box; notes the box's button texts (without their
// mnemonics), answers it with its rejecting button (Cancel, No) and returns the texts sorted.
QStringList ButtonsOfTheBox(const std::function<void()>& show) {
    QStringList texts;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        poll.stop();
        QAbstractButton* answer = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            texts << button->text().remove(QLatin1Char('&'));
            const QMessageBox::ButtonRole role = box->buttonRole(button);
            if (role == QMessageBox::RejectRole || role == QMessageBox::NoRole) answer = button;
        }
        answer ? answer->click() : box->done(0);
    });
    poll.start(20);
    show();
    texts.sort();
    return texts;
}

// Scripted while the window starts, so that nothing waits for a person; the real boxes once Real is set.
struct RealBoxesAfterStart : ScriptedBoxes {
    bool Real = false;
    bool AskYesNo(QWidget* parent, const QString& text) override {
        return Real ? TMessageBoxes::AskYesNo(parent, text) : ScriptedBoxes::AskYesNo(parent, text);
    }
    bool AskOkCancel(QWidget* parent, const QString& caption, const QString& text) override {
        return Real ? TMessageBoxes::AskOkCancel(parent, caption, text)
                    : ScriptedBoxes::AskOkCancel(parent, caption, text);
    }
};

// A file system of its own, from an image mounted for the test (root only); unmounted after.
class TMountedVolume {
public:
    TMountedVolume() {
        if (geteuid() != 0) return;
        FMounted = Shell("cd " + FFolder.Path("") +
                         " && mkdir top && truncate -s 8M image && mkfs.ext2 -q -F image && "
                         "timeout 20 mount -o loop image top 2>&1 && echo mounted")
                       .ends_with("mounted\n");
    }
    ~TMountedVolume() {
        if (FMounted) Shell("timeout 20 umount " + Top() + " || umount -l " + Top());
    }
    TMountedVolume(const TMountedVolume&) = delete;
    TMountedVolume& operator=(const TMountedVolume&) = delete;
    bool Mounted() const { return FMounted; }
    std::string Top() const { return FFolder.Path("top"); }

private:
    TTempFolder FFolder;
    bool FMounted = false;
};

} // namespace

TEST_F(RecordingsList, CaptionsDropTheLastExtensionAndARowPlaysItsFile) {
    Recording(QStringLiteral("a.b.mp3"), 2);
    Recording(QStringLiteral("Café été 🎤 take 1.mp3"), 1, 5);
    FileOfSize(QStringLiteral("notes.txt"), 10);
    FileOfSize(QStringLiteral("LOUD.MP3"), 10);
    Refill();
    EXPECT_EQ(Column(0), (QStringList{QStringLiteral("a.b"), QStringLiteral("Café été 🎤 take 1")}))
        << "only .mp3 files, newest first";
    EXPECT_EQ(Column(2), (QStringList{QStringLiteral("00:00:02"), QStringLiteral("00:00:01")}));
    Select(QStringLiteral("a.b"));
    form->Mp3ListClick();
    EXPECT_EQ(form->flagState(), flPlay);
    EXPECT_EQ(QString::fromStdString(form->mp3player.FileName()), Folder() + QStringLiteral("a.b.mp3"));
    Select(QStringLiteral("Café été 🎤 take 1"));
    form->Mp3ListClick();
    EXPECT_EQ(form->flagState(), flPlay);
    EXPECT_NEAR(form->Progres2->Maxi(), 1000, 60);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join(QLatin1Char('|')).toStdString();
}

TEST_F(RecordingsList, SizesInThousandsHalvesToEvenAndSortedAsNumbers) {
    FileOfSize(QStringLiteral("999.mp3"), 999, 1);
    FileOfSize(QStringLiteral("1500.mp3"), 1500, 2);
    FileOfSize(QStringLiteral("2500.mp3"), 2500, 3);
    FileOfSize(QStringLiteral("zero.mp3"), 0, 4);
    FileOfSize(QStringLiteral("nine.mp3"), 9000, 5);
    FileOfSize(QStringLiteral("twelve.mp3"), 12000, 6);
    Refill();
    EXPECT_EQ(Column(3), (QStringList{QStringLiteral("1Ko"), QStringLiteral("2Ko"), QStringLiteral("2Ko"),
                                      QStringLiteral("0Ko"), QStringLiteral("9Ko"), QStringLiteral("12Ko")}));
    EXPECT_EQ(Column(2), QStringList(6, QString())) << "files that are not MP3 have no length";
    form->Mp3ListColumnClick(3);
    EXPECT_EQ(Column(3).first(), QStringLiteral("0Ko"));
    EXPECT_LT(Column(3).indexOf(QStringLiteral("9Ko")), Column(3).indexOf(QStringLiteral("12Ko")));
    EXPECT_EQ(Column(3).last(), QStringLiteral("12Ko"));

    form->ChangeLanguage(QStringLiteral("fr"));
    form->ChangeLanguage(QStringLiteral("en"));
    form->croissant = false;
    form->Mp3ListColumnClick(3);
    EXPECT_EQ(Column(3).last(), QStringLiteral("12Ko"))
        << "after a change of language the sizes still sort by number";
}

TEST_F(RecordingsList, LengthsSortAsTextNamesIgnoringAsciiCaseAndDatesBothWays) {
    Recording(QStringLiteral("beta.mp3"), 2, 30);
    Recording(QStringLiteral("Alpha.mp3"), 1, 10);
    FileOfSize(QStringLiteral("broken.mp3"), 100, 20);
    Refill();
    EXPECT_EQ(Column(0),
              (QStringList{QStringLiteral("Alpha"), QStringLiteral("broken"), QStringLiteral("beta")}));
    form->Mp3ListColumnClick(1);
    EXPECT_EQ(Column(0),
              (QStringList{QStringLiteral("beta"), QStringLiteral("broken"), QStringLiteral("Alpha")}))
        << "oldest first";
    form->Mp3ListColumnClick(1);
    EXPECT_EQ(Column(0).first(), QStringLiteral("Alpha")) << "newest first again";
    form->croissant = false;
    form->Mp3ListColumnClick(2);
    EXPECT_EQ(Column(2), (QStringList{QString(), QStringLiteral("00:00:01"), QStringLiteral("00:00:02")}))
        << "an empty length first";
    form->croissant = false;
    form->Mp3ListColumnClick(0);
    EXPECT_EQ(Column(0),
              (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("broken")}));
}

TEST_F(RecordingsList, RenamingKeepsBothFilesOnAConflictAndRefusesBadOrEmptyNames) {
    Recording(QStringLiteral("one.mp3"));
    Recording(QStringLiteral("two.mp3"));
    Refill();
    Select(QStringLiteral("one"));
    for (const QString& bad : {QStringLiteral("a:b"), QStringLiteral("x/y"), QString()}) {
        boxes.shown.clear();
        form->Mp3ListEdited(Row(QStringLiteral("one")), bad);
        EXPECT_EQ(boxes.shown, QStringList{QStringLiteral("Invalid filename.")}) << bad.toStdString();
    }
    form->Mp3ListEdited(Row(QStringLiteral("one")), QStringLiteral("two"));
    EXPECT_EQ(boxes.shown.last(), QStringLiteral("Unable to rename this file."));
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("one.mp3"), QStringLiteral("two.mp3")}));
    ASSERT_NE(Row(QStringLiteral("one")), nullptr) << "the caption goes back";

    form->Mp3ListEdited(Row(QStringLiteral("one")), QStringLiteral("Entrée n°1 🎵"));
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("Entrée n°1 🎵.mp3"), QStringLiteral("two.mp3")}));
    EXPECT_EQ(form->mp3selected, QStringLiteral("Entrée n°1 🎵"));
    ASSERT_NE(Row(QStringLiteral("Entrée n°1 🎵")), nullptr);
    Select(QStringLiteral("Entrée n°1 🎵"));
    form->Mp3ListClick();
    EXPECT_EQ(form->flagState(), flPlay) << "the renamed recording plays";
}

TEST_F(RecordingsList, InPlaceEditingTurnsTheKeyboardShortcutsOff) {
    Recording(QStringLiteral("one.mp3"));
    Refill();
    form->show();
    Select(QStringLiteral("one"));
    form->RenommerClick();
    EXPECT_TRUE(form->isEditing);
    auto* editor = form->Mp3List->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("renamed"));
    QTest::keyClick(editor, Qt::Key_R);
    EXPECT_EQ(form->flagState(), flStop) << "R is the editor's while a name is edited";
    QTest::keyClick(editor, Qt::Key_Return);
    RunFor(50);
    EXPECT_FALSE(form->isEditing);
    EXPECT_EQ(Files(), QStringList{QStringLiteral("renamedr.mp3")});
}

TEST_F(RecordingsList, DeleteMovesToTheTrashAndDeleteAllAsksFirst) {
    Recording(QStringLiteral("keep.mp3"), 1, 2);
    Recording(QStringLiteral("gone.mp3"), 1, 1);
    Refill();
    Select(QStringLiteral("gone"));
    form->SupprimerClick();
    EXPECT_EQ(Files(), QStringList{QStringLiteral("keep.mp3")});
    EXPECT_EQ(TrashedFrom(trash, (Folder() + QStringLiteral("gone.mp3")).toStdString()).size(), 1u);
    EXPECT_EQ(Column(0), QStringList{QStringLiteral("keep")});
    EXPECT_TRUE(form->mp3selected.isEmpty());

    boxes.answers = {false};
    form->SupprimerTousClick();
    EXPECT_EQ(boxes.shown.last(),
              QStringLiteral("Do you really want to delete all recordings?\r\n"
                             "This will clear the list and delete any audio files created with Sarvo!"));
    EXPECT_EQ(Files(), QStringList{QStringLiteral("keep.mp3")}) << "Cancel keeps every file";
    boxes.answers = {true};
    form->SupprimerTousClick();
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_EQ(form->Mp3List->topLevelItemCount(), 0);
    const int asked = boxes.shown.size();
    form->SupprimerTousClick();
    EXPECT_EQ(boxes.shown.size(), asked) << "an empty list asks nothing";
}

TEST_F(RecordingsList, VanishedFilesAreReportedWithTheirPath) {
    Recording(QStringLiteral("vanished.mp3"));
    Refill();
    QFile::remove(Folder() + QStringLiteral("vanished.mp3"));
    Select(QStringLiteral("vanished"));
    form->Mp3ListClick();
    EXPECT_EQ(boxes.shown.last(), Folder() + QStringLiteral("vanished.mp3 file does not exist!"));
    EXPECT_EQ(form->flagState(), flStop);
    form->PopupMenu1Popup();
    EXPECT_EQ(boxes.shown.last(),
              QStringLiteral("Le fichier ") + Folder() + QStringLiteral("vanished.mp3 n'existe pas!"));
}

TEST_F(RecordingsList, PopupOnARowLoadsItStoppedAndOnEmptySpaceClearsTheSelection) {
    Recording(QStringLiteral("one.mp3"), 2);
    Refill();
    Select(QStringLiteral("one"));
    form->Mp3ListClick();
    ASSERT_EQ(form->flagState(), flPlay);
    form->PopupMenu1Popup();
    EXPECT_EQ(form->flagState(), flStop);
    EXPECT_NEAR(form->Progres2->Maxi(), 2000, 60) << "loaded, so the bar can seek in it";
    form->Mp3ListClick();
    form->Mp3List->clearSelection();
    form->PopupMenu1Popup();
    EXPECT_EQ(form->flagState(), flStop) << "playback stops";
    EXPECT_EQ(form->Mp3List->currentItem(), nullptr);
}

TEST_F(RecordingsList, MissingOrUnreadableFoldersListNothingAndNeverFail) {
    FileOfSize(QStringLiteral("x.mp3"), 10);
    form->ListFolder(home.Path(QStringLiteral("no such folder/")));
    EXPECT_EQ(form->Mp3List->topLevelItemCount(), 0);
    Refill();
    ASSERT_EQ(form->Mp3List->topLevelItemCount(), 1);
    QFile::setPermissions(Folder(), QFileDevice::Permissions());
    Refill();
    QFile::setPermissions(Folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_LE(form->Mp3List->topLevelItemCount(), 1) << "root may still read it; nobody else can";
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_F(RecordingsList, LanguageChangesHeadersMenuAndStateAtOnce) {
    form->ChangeLanguage(QStringLiteral("fr"));
    EXPECT_EQ(form->Mp3List->headerItem()->text(3), QStringLiteral("Taille"));
    EXPECT_EQ(form->Toutsupprimer1->text(), QStringLiteral("Tout Supprimer"));
    EXPECT_EQ(form->Lire->text(), QStringLiteral("Lire"));
    EXPECT_EQ(form->Labelboutons->text(), QStringLiteral("En attente"));
    form->ChangeLanguage(QStringLiteral("en"));
    EXPECT_EQ(form->Mp3List->headerItem()->text(1), QStringLiteral("Date and time"));
    EXPECT_EQ(form->Renommer->text(), QStringLiteral("Rename"));
    EXPECT_EQ(form->Supprimer->text(), QStringLiteral("Delete"));
    EXPECT_EQ(form->Labelboutons->text(), QStringLiteral("Standby"));
}

TEST_F(RecordingsList, RowsArePaintedGreyWhenSelectedWithAWhiteLineOnTop) {
    Recording(QStringLiteral("one.mp3"), 1, 1);
    Recording(QStringLiteral("two.mp3"));
    Refill();
    form->show();
    Select(QStringLiteral("two"));
    const QRect selected = form->Mp3List->visualItemRect(Row(QStringLiteral("two")));
    const QRect other = form->Mp3List->visualItemRect(Row(QStringLiteral("one")));
    const QImage shot = form->Mp3List->viewport()->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(selected.right() - 3, selected.center().y())), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(QColor(shot.pixel(other.right() - 3, other.center().y())),
              ColorToQColor(clMenu, QApplication::palette()))
        << "the menu colour";
    EXPECT_EQ(QColor(shot.pixel(other.right() - 3, other.top())), QColor(Qt::white));
}

TEST_F(RecordingsList, TipsOnTheStatusLine) {
    form->ShowTip(form->wydPlay);
    EXPECT_EQ(form->StatusBar1->PanelText, QStringLiteral(" Play"));
    form->ShowTip(form->SliderMicro);
    EXPECT_EQ(form->StatusBar1->PanelText, QStringLiteral(" Input level adjustment"));
    form->ShowTip(form->wydConfigButton);
    EXPECT_EQ(form->StatusBar1->PanelText, QStringLiteral(" Options and settings"));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(form->wydConfigButton, &leave);
    EXPECT_EQ(form->StatusBar1->PanelText, QString());
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(form->wydStop, &enter);
    EXPECT_EQ(form->StatusBar1->PanelText, QStringLiteral(" Stop"));
}

TEST_F(RecordingsList, TheDragCarriesTheSelectedRecordingsAsFiles) {
    Recording(QStringLiteral("with space é.mp3"));
    Refill();
    Select(QStringLiteral("with space é"));
    const QList<QUrl> urls = form->SelectedFileUrls();
    ASSERT_EQ(urls.size(), 1);
    EXPECT_EQ(urls.first().toLocalFile(), Folder() + QStringLiteral("with space é.mp3"));
    EXPECT_TRUE(urls.first().toString().startsWith(QStringLiteral("file:///")));
}

TEST_F(RecordingsList, OnlyRegularFilesAreListedWithoutWaitingAndDeleteAllLeavesTheRestAlone) {
    Recording(QStringLiteral("real.mp3"), 2, 1);
    ASSERT_EQ(symlink((NativeFolder() + "real.mp3").constData(), (NativeFolder() + "linked.mp3").constData()),
              0);
    TSpecialFiles special(NativeFolder().toStdString());
    Refill();
    QStringList captions = Column(0);
    captions.sort();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("linked"), QStringLiteral("real")}))
        << "a link to a recording lists; a FIFO, a socket, a device and a dangling link do not";
    EXPECT_EQ(Column(2), QStringList(2, QStringLiteral("00:00:02")));
    Select(QStringLiteral("linked"));
    form->Mp3ListClick();
    EXPECT_EQ(form->flagState(), flPlay);
    boxes.answers = {true};
    form->SupprimerTousClick();
    EXPECT_EQ(NativeNames(),
              (std::vector<std::string>{"dangling.mp3", "device.mp3", "fifo.mp3", "socket.mp3"}));
    EXPECT_EQ(form->Mp3List->topLevelItemCount(), 0);
    EXPECT_FALSE(special.DeadlinePassed()) << "something opened the FIFO and waited";
}

TEST_F(RecordingsList, ANameThatIsNotValidTextListsPlaysRenamesAndDeletes) {
    const QByteArray renamedOne = "caf\xFF take.mp3", deletedOne = "\xFE\xFF old.mp3";
    Recording(renamedOne, 2, 1);
    Recording(deletedOne, 1, 2);
    Refill();
    const QString replacement(QChar::ReplacementCharacter);
    const QString renamedCaption = QStringLiteral("caf") + replacement + QStringLiteral(" take");
    const QString deletedCaption = replacement + replacement + QStringLiteral(" old");
    ASSERT_EQ(Column(0), (QStringList{renamedCaption, deletedCaption}))
        << "shown with a replacement character";
    EXPECT_EQ(Column(2), (QStringList{QStringLiteral("00:00:02"), QStringLiteral("00:00:01")}));

    Select(renamedCaption);
    form->Mp3ListClick();
    EXPECT_EQ(form->flagState(), flPlay);
    EXPECT_EQ(form->mp3player.FileName(), (NativeFolder() + renamedOne).toStdString())
        << "the file's own bytes";
    EXPECT_EQ(form->SelectedFileUrls().first().toEncoded(),
              "file://" + (NativeFolder() + renamedOne).toPercentEncoding("/"));

    form->Mp3ListEdited(Row(renamedCaption), QStringLiteral("café take"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(NativeNames(), (std::vector<std::string>{"café take.mp3", deletedOne.toStdString()}));
    Select(QStringLiteral("café take"));
    form->Mp3ListClick();
    EXPECT_EQ(form->flagState(), flPlay) << "the renamed recording plays";

    Select(deletedCaption);
    form->SupprimerClick();
    EXPECT_EQ(NativeNames(), std::vector<std::string>{"café take.mp3"});
    const std::vector<TTrashed> trashed = TrashedFrom(trash, (NativeFolder() + deletedOne).toStdString());
    ASSERT_EQ(trashed.size(), 1u) << "the trash knows the file by its own bytes";
    EXPECT_TRUE(Restore(trashed[0]));
    Refill();
    EXPECT_EQ(Column(0), (QStringList{QStringLiteral("café take"), deletedCaption}));
}

TEST_F(RecordingsList, DeletedRecordingsRestoreFromTheTrashAsAFileManagerDoes) {
    const QString names[] = {QStringLiteral("100% sure"), QStringLiteral("Répétition à l'église #2")};
    for (const QString& name : names) Recording(name + QStringLiteral(".mp3"), 1);
    Refill();
    for (const QString& name : names) {
        Select(name);
        form->SupprimerClick();
    }
    EXPECT_TRUE(Files().isEmpty());
    for (const QString& name : names) {
        const std::string original = (Folder() + name + QStringLiteral(".mp3")).toStdString();
        const std::vector<TTrashed> trashed = TrashedFrom(trash, original);
        ASSERT_EQ(trashed.size(), 1u) << original;
        EXPECT_EQ(trashed[0].rawPath,
                  QByteArray::fromStdString(original).toPercentEncoding("/").toStdString())
            << "Path= is percent-encoded";
        EXPECT_TRUE(Restore(trashed[0])) << original;
    }
    Refill();
    EXPECT_EQ(form->Mp3List->topLevelItemCount(), 2);
    Select(names[0]);
    form->Mp3ListClick();
    EXPECT_EQ(form->flagState(), flPlay) << "a restored recording plays";

    // The same name deleted twice: both stay in the trash, each with its own content.
    for (const int seconds : {1, 2}) {
        Recording(QStringLiteral("twice.mp3"), seconds);
        Refill();
        Select(QStringLiteral("twice"));
        form->SupprimerClick();
    }
    const std::vector<TTrashed> twice =
        TrashedFrom(trash, (Folder() + QStringLiteral("twice.mp3")).toStdString());
    ASSERT_EQ(twice.size(), 2u);
    EXPECT_NE(twice[0].file, twice[1].file);
    EXPECT_NE(std::filesystem::file_size(twice[0].file), std::filesystem::file_size(twice[1].file));
}

TEST_F(RecordingsList, ARecordingOnAnotherVolumeGoesToThatVolumesOwnTrash) {
    TMountedVolume volume;
    if (!volume.Mounted()) GTEST_SKIP() << "mounting a volume needs root and a loop device";
    form->mp3Folder = QString::fromStdString(volume.Top()) + QLatin1Char('/');
    Recording(QStringLiteral("100% sure.mp3"));
    Refill();
    Select(QStringLiteral("100% sure"));
    form->SupprimerClick();
    EXPECT_TRUE(Files().isEmpty());
    const std::string original = volume.Top() + "/100% sure.mp3";
    const std::vector<TTrashed> trashed =
        TrashedFrom(volume.Top() + "/.Trash-" + std::to_string(getuid()) + "/", original, volume.Top());
    ASSERT_EQ(trashed.size(), 1u) << "in the volume's own trash";
    EXPECT_EQ(trashed[0].rawPath, "100%25%20sure.mp3") << "relative to the volume's top, percent-encoded";
    EXPECT_TRUE(TrashedFrom(trash, original).empty()) << "nothing was copied across to the home trash";
    EXPECT_TRUE(Restore(trashed[0]));
    Refill();
    EXPECT_EQ(Column(0), QStringList{QStringLiteral("100% sure")});
}

TEST(ListQuestions, StandardButtonsFollowTheInterfaceLanguage) {
    TempHome home("fr_FR.UTF-8");
    RealBoxesAfterStart boxes;
    TForm1 form(&boxes);
    boxes.Real = true;
    QFile recording(form.mp3Folder + QStringLiteral("x.mp3"));
    ASSERT_TRUE(recording.open(QIODevice::WriteOnly));
    recording.close();
    form.refreshlist();
    EXPECT_EQ(ButtonsOfTheBox([&] { form.SupprimerTousClick(); }),
              (QStringList{QStringLiteral("Annuler"), QStringLiteral("OK")}))
        << "the delete-all question";
    EXPECT_TRUE(recording.exists()) << "Annuler keeps the recording";
    EXPECT_EQ(ButtonsOfTheBox([&] { form.Boxes().AskYesNo(&form, QStringLiteral("?")); }),
              (QStringList{QStringLiteral("Non"), QStringLiteral("Oui")}));
    form.ChangeLanguage(QStringLiteral("en"));
    EXPECT_EQ(ButtonsOfTheBox([&] { form.SupprimerTousClick(); }),
              (QStringList{QStringLiteral("Cancel"), QStringLiteral("OK")}))
        << "after switching the language at run time";
    EXPECT_EQ(ButtonsOfTheBox([&] { form.Boxes().AskYesNo(&form, QStringLiteral("?")); }),
              (QStringList{QStringLiteral("No"), QStringLiteral("Yes")}));
}
