// The recordings list: filling it from the folder, sorting it, and playing a row.

#include "ShellServices.h"
#include "Unit1.h"

#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QStyledItemDelegate>

#include <algorithm>
#include <vector>

namespace {

const QString Mp3Extension = QStringLiteral(".mp3");
const QByteArray NativeMp3Extension = QFile::encodeName(Mp3Extension);

// The locale's short date, with the year written in full so that it parses back unambiguously.
QString ListDateFormat(const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

// The locale's long time without the time zone.
QString ListTimeFormat(const QLocale& locale) {
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    return locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
}

QString ListDateTimeText(QDateTime when) {
    when = when.addSecs(-(when.time().second() % 2)); // file dates keep even seconds
    const QLocale locale;
    const QString date = locale.toString(when.date(), ListDateFormat(locale));
    if (when.time() == QTime(0, 0)) return date;
    return date + QLatin1Char(' ') +
           locale.toString(QTime(when.time().hour(), when.time().minute(), when.time().second()),
                           ListTimeFormat(locale));
}

// A cell's text keeps this much room from the cell's left and right edges.
constexpr int CellInsetLeft = 9, CellInsetRight = 8;

// Wide enough for the date and time of any moment in the current locale: every hour, for the
// morning and afternoon marks, with two-digit months and days.
int DateColumnMinimum(const QFont& font) {
    const QFontMetrics metrics(font);
    int widest = 0;
    for (int hour = 0; hour < 24; ++hour) {
        const QString text = ListDateTimeText(QDateTime(QDate(2000, 12, 28), QTime(hour, 58, 58)));
        widest = std::max(widest, metrics.horizontalAdvance(text));
    }
    return std::max(160, widest + CellInsetLeft + CellInsetRight);
}

const QDateTime NoDate(QDate(1799, 1, 1), QTime(0, 0));

QDateTime ParseDateTime(const QString& text) {
    const QLocale locale;
    const QDateTime when =
        locale.toDateTime(text, ListDateFormat(locale) + QLatin1Char(' ') + ListTimeFormat(locale));
    if (when.isValid()) return when;
    const QDate day = locale.toDate(text, ListDateFormat(locale));
    return day.isValid() ? QDateTime(day, QTime(0, 0)) : NoDate;
}

QDateTime ParseDate(const QString& text) {
    const QLocale locale;
    const QDate day = locale.toDate(text, ListDateFormat(locale));
    return QDateTime(day.isValid() ? day : NoDate.date(), QTime(0, 0));
}

qint64 ParseInteger(const QString& text) {
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? value : 0;
}

qint64 ParseSize(QString text) {
    return ParseInteger(text.remove(QStringLiteral("Ko"), Qt::CaseInsensitive));
}

// Ordinal, folding the case of ASCII letters only.
int CompareIgnoringAsciiCase(const QString& a, const QString& b) {
    const auto fold = [](QChar c) {
        return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ? c.unicode() + 32 : c.unicode();
    };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i)
        if (fold(a[i]) != fold(b[i])) return fold(a[i]) < fold(b[i]) ? -1 : 1;
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Rows are sorted on a key read once per row.
struct TSortRow {
    QTreeWidgetItem* item;
    QString text;
    qint64 number = 0;
    qint64 tie =
        0; // for dates: the exact modification time, so that recordings of one second keep their order
    bool operator<(const TSortRow& other) const {
        return number != other.number ? number < other.number : tie < other.tie;
    }
};

constexpr int ExactTimeRole = Qt::UserRole;
// The file's name as the file system holds it: names that are not valid text show with a
// replacement character, and only these bytes still find the file.
constexpr int NativeNameRole = Qt::UserRole + 1;

// A file URL that carries the name's own bytes.
QUrl FileUrl(const QByteArray& nativePath) {
    return QUrl::fromEncoded("file://" + nativePath.toPercentEncoding("/"));
}

} // namespace

QString RemoveExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot == name.size() - 1) return name;
    return name.left(dot);
}

void TForm1::refreshlist() { ListFolder(mp3Folder); }

TMp3properties TForm1::GetMp3Properties(const QByteArray& nativePath) {
    TMp3properties properties;
    MP3In1.SetFileName(nativePath.toStdString());
    if (MP3In1.Valid()) properties.time = ClockText(int64_t{MP3In1.TotalTime()} * 1000);
    MP3In1.SetFileName("");
    return properties;
}

void TForm1::ListFolder(const QString& folder) {
    const QByteArray nativeFolder = QFile::encodeName(folder);
    const std::vector<ShellServices::TFolderFile> files =
        ShellServices::RegularFiles(nativeFolder, NativeMp3Extension);
    Mp3List->clear();
    if (files.empty()) return;
    Mp3List->setUpdatesEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(files.size()));
    for (const ShellServices::TFolderFile& file : files) {
        auto* row = new QTreeWidgetItem(
            {RemoveExtension(QFile::decodeName(file.NativeName)), ListDateTimeText(file.LastModified),
             GetMp3Properties(nativeFolder + file.NativeName).time,
             QString::number(RoundHalfEven(static_cast<double>(file.Size) / 1000.0)) + QStringLiteral("Ko")});
        for (int column = 1; column < 4; ++column) row->setTextAlignment(column, Qt::AlignCenter);
        row->setData(0, NativeNameRole, file.NativeName);
        row->setData(1, ExactTimeRole, file.LastModified.toMSecsSinceEpoch());
        row->setFlags(row->flags() | Qt::ItemIsEditable);
        rows << row;
    }
    Mp3List->addTopLevelItems(rows);
    QApplication::restoreOverrideCursor();
    Mp3List->setUpdatesEnabled(true);
}

void TForm1::Mp3ListColumnClick(int column) {
    croissant = !croissant;
    ColumnToSort = column;
    const QString header = Mp3List->headerItem()->text(column);
    std::vector<TSortRow> rows;
    while (Mp3List->topLevelItemCount() > 0) {
        QTreeWidgetItem* item = Mp3List->takeTopLevelItem(0);
        rows.push_back({item, item->text(column)});
    }
    const auto sortBy = [&](auto key, bool byDate) {
        for (TSortRow& row : rows) {
            row.number = key(row.text);
            if (byDate) row.tie = row.item->data(1, ExactTimeRole).toLongLong();
        }
        std::stable_sort(rows.begin(), rows.end(),
                         [this](const TSortRow& a, const TSortRow& b) { return croissant ? a < b : b < a; });
    };
    if (!Texts.wyd_DateAndTime.isEmpty() && header.contains(Texts.wyd_DateAndTime))
        sortBy([](const QString& t) { return ParseDateTime(t).toMSecsSinceEpoch(); }, true);
    else if (header.contains(QStringLiteral("Date")))
        sortBy([](const QString& t) { return ParseDate(t).toMSecsSinceEpoch(); }, true);
    else if (header.contains(QStringLiteral("chiffre")))
        sortBy(ParseInteger, false);
    else if (!Texts.wyd_FileSize.isEmpty() && header.contains(Texts.wyd_FileSize))
        sortBy(ParseSize, false);
    else
        std::stable_sort(rows.begin(), rows.end(), [this](const TSortRow& a, const TSortRow& b) {
            return croissant ? CompareIgnoringAsciiCase(a.text, b.text) < 0
                             : CompareIgnoringAsciiCase(b.text, a.text) < 0;
        });
    for (const TSortRow& row : rows) Mp3List->addTopLevelItem(row.item);
}

void TForm1::RefillSortedByDate() {
    refreshlist();
    croissant = true;
    Mp3ListColumnClick(1);
}

const QTreeWidgetItem* TForm1::FirstSelectedRow() {
    const QList<QTreeWidgetItem*> selected = Mp3List->selectedItems();
    if (!selected.isEmpty()) return selected.first();
    Mp3List->clearSelection();
    Mp3List->setCurrentItem(nullptr);
    StopClick();
    return nullptr;
}

void TForm1::OpenInPlayer(const QByteArray& path) {
    mp3player.SetFileName(path.toStdString());
    mp3player.Open();
    Progres2->SetMaxi(static_cast<int32_t>(std::min<int64_t>(mp3player.Length(), INT32_MAX)));
}

void TForm1::Mp3ListClick() {
    StopClick();
    const QTreeWidgetItem* row = FirstSelectedRow();
    if (!row) return;
    const QByteArray path = RowNativePath(row);
    try {
        if (!ShellServices::Exists(path)) {
            SetflagState(flStop);
            const QString message =
                QString(Texts.wyd_FileNotExist).replace(QStringLiteral("XXXXXX"), QFile::decodeName(path));
            FBoxes->ShowMessage(nullptr, message);
            return;
        }
        OpenInPlayer(path);
        SetPlayerVolume(
            static_cast<int32_t>(RoundHalfEven(static_cast<double>(SliderOutput->Position()) * 10)));
        SetflagState(flPlay);
        mp3player.Play();
    } catch (const std::exception&) {
        SetflagState(flStop);
        FBoxes->ShowMessage(this, Texts.wyd_MP3NotValide);
    }
}

// ---------------------------------------------------------------------------------------------
// Painting, selection, renaming, deleting, the popup menu and dragging out

namespace {

// Paints every cell by the list's own rule and hands the end of an in-place edit to the window.
class TMp3ListDelegate : public QStyledItemDelegate {
public:
    explicit TMp3ListDelegate(TForm1& form) : QStyledItemDelegate(form.Mp3List), FForm(form) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QPalette& palette = QApplication::palette();
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->fillRect(option.rect, selected ? QColor(0x80, 0x80, 0x80) : ColorToQColor(clMenu, palette));
        painter->setPen(QPen(Qt::white, 2));
        painter->drawLine(option.rect.topLeft(), option.rect.topRight());
        painter->setPen(ColorToQColor(selected ? clHighlightText : clBtnText, palette));
        painter->setFont(FForm.Mp3List->font());
        const QRect text = option.rect.adjusted(CellInsetLeft, 0, -CellInsetRight, 0);
        const Qt::Alignment horizontal =
            index.column() == 0
                ? Qt::AlignLeft
                : Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask;
        painter->drawText(
            text, int(horizontal | Qt::AlignVCenter) | Qt::TextSingleLine,
            painter->fontMetrics().elidedText(index.data().toString(), Qt::ElideRight, text.width()));
        painter->restore();
    }
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        FForm.Mp3ListEditing();
        return QStyledItemDelegate::createEditor(parent, option, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        const auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line) return;
        const QString text = line->text();
        QTreeWidgetItem* row = FForm.Mp3List->topLevelItem(index.row());
        FForm.ReportErrors([&] { FForm.Mp3ListEdited(row, text); });
    }
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        FForm.isEditing = false; // also when the edit was given up
        QStyledItemDelegate::destroyEditor(editor, index);
    }

private:
    TForm1& FForm;
};

const QString NoSuchFileStart = QStringLiteral("Le fichier ");
const QString NoSuchFileEnd = QStringLiteral(" n'existe pas!");

} // namespace

std::array<int, 4> TForm1::ListColumnWidths(int W) {
    return {(63 * W) / 100 - 120, (19 * W) / 100, (8 * W) / 100, (8 * W) / 100};
}

std::array<int, 4> TForm1::FittedListColumnWidths(int clientWidth, int listWidth) const {
    const std::array<int, 4> minimums{230, DateColumnMinimum(Mp3List->font()), 90, 90};
    std::array<int, 4> widths = ListColumnWidths(clientWidth);
    for (size_t column = 0; column < widths.size(); ++column)
        widths[column] = std::max(widths[column], minimums[column]);
    // The names give way first, down to their own minimum, so that the other columns fit beside them.
    widths[0] = std::max(minimums[0], std::min(widths[0], listWidth - widths[1] - widths[2] - widths[3]));
    return widths;
}

void TForm1::CreateListMenu() {
    PopupMenu1 = new QMenu(Mp3List);
    Lire = PopupMenu1->addAction(QString());
    PopupMenu1->addSeparator();
    Renommer = PopupMenu1->addAction(QString());
    Supprimer = PopupMenu1->addAction(QString());
    PopupMenu1->addSeparator();
    Toutsupprimer1 = PopupMenu1->addAction(QString());
    const auto onTriggered = [this](QAction* item, void (TForm1::*action)()) {
        connect(item, &QAction::triggered, this,
                [this, action] { ReportErrors([this, action] { (this->*action)(); }); });
    };
    onTriggered(Lire, &TForm1::LireClick);
    onTriggered(Renommer, &TForm1::RenommerClick);
    onTriggered(Supprimer, &TForm1::SupprimerClick);
    onTriggered(Toutsupprimer1, &TForm1::SupprimerTousClick);
}

void TForm1::ConnectList() {
    Mp3List->setItemDelegate(new TMp3ListDelegate(*this));
    Mp3List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Mp3List->setContextMenuPolicy(Qt::CustomContextMenu);
    CreateListMenu();
    connect(Mp3List, &QTreeWidget::itemClicked, this, [this] { ReportErrors([this] { Mp3ListClick(); }); });
    connect(Mp3List, &QTreeWidget::itemSelectionChanged, this, [this] { Mp3ListSelectItem(); });
    // After the press has selected the row under it, as the list reports its presses.
    connect(Mp3List, &QTreeWidget::itemPressed, this, [this] {
        ReportErrors([this] { Mp3ListMouseDown(Mp3List->viewport()->mapFromGlobal(QCursor::pos())); });
    });
    connect(Mp3List->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ReportErrors([this, column] { Mp3ListColumnClick(column); }); });
    connect(Mp3List, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ReportErrors([this] { PopupMenu1Popup(); });
        PopupMenu1->popup(Mp3List->viewport()->mapToGlobal(at));
    });
    Mp3List->viewport()->installEventFilter(this);
}

QByteArray TForm1::RowNativePath(const QTreeWidgetItem* row) const {
    return QFile::encodeName(mp3Folder) + row->data(0, NativeNameRole).toByteArray();
}

void TForm1::Mp3ListSelectItem() {
    isEditing = false;
    const QList<QTreeWidgetItem*> selected = Mp3List->selectedItems();
    mp3selected = selected.isEmpty() ? QString() : selected.first()->text(0);
}

void TForm1::Mp3ListEditing() { isEditing = true; }

bool TForm1::IsValidFileName(const QString& name) const {
    static const QString forbidden = QStringLiteral("\"*/:<>?\\|");
    if (name.isEmpty()) return false;
    return std::none_of(name.begin(), name.end(),
                        [](QChar c) { return c.unicode() <= 255 && forbidden.contains(c); });
}

void TForm1::Mp3ListEdited(QTreeWidgetItem* row, const QString& text) {
    isEditing = false;
    StopClick();
    if (!row) return;
    const QByteArray newName = QFile::encodeName(text + Mp3Extension);
    // An empty name would make a hidden file called only ".mp3".
    if (text.isEmpty() || !IsValidFileName(text + Mp3Extension)) {
        FBoxes->ShowMessage(this, Texts.wyd_BadFileName);
    } else if (!ShellServices::RenameFile(RowNativePath(row), QFile::encodeName(mp3Folder) + newName)) {
        FBoxes->ShowMessage(this, Texts.wyd_NoRenaming);
    } else {
        mp3selected = text;
        row->setData(0, NativeNameRole, newName);
    }
    row->setText(0, mp3selected);
}

void TForm1::RenommerClick() {
    const QList<QTreeWidgetItem*> selected = Mp3List->selectedItems();
    if (!selected.isEmpty()) Mp3List->editItem(selected.first(), 0);
}

bool TForm1::ShellDelete(const QByteArray& path) {
    const QByteArray everyRecording = '*' + NativeMp3Extension;
    if (!path.endsWith(everyRecording)) return ShellServices::MoveToTrash(path);
    const QByteArray folder = path.chopped(everyRecording.size());
    bool all = true;
    for (const ShellServices::TFolderFile& file : ShellServices::RegularFiles(folder, NativeMp3Extension))
        all = ShellServices::MoveToTrash(folder + file.NativeName) && all;
    return all;
}

void TForm1::AfterDeletion() {
    RefillSortedByDate();
    Mp3List->clearSelection();
    Mp3List->setCurrentItem(nullptr);
    mp3selected.clear();
}

void TForm1::SupprimerClick() {
    StopClick();
    const QList<QTreeWidgetItem*> selected = Mp3List->selectedItems();
    if (selected.isEmpty()) return;
    if (ShellDelete(RowNativePath(selected.first()))) AfterDeletion();
}

void TForm1::SupprimerTousClick() {
    StopClick();
    if (Mp3List->topLevelItemCount() == 0) return;
    if (!FBoxes->AskOkCancel(this, Texts.wyd_Warning, Texts.wyd_MsgDeleteAll)) return;
    if (ShellDelete(QFile::encodeName(mp3Folder + QStringLiteral("*") + Mp3Extension))) AfterDeletion();
}

void TForm1::PopupMenu1Popup() {
    const QTreeWidgetItem* row = FirstSelectedRow();
    if (!row) return;
    StopClick();
    const QByteArray path = RowNativePath(row);
    if (!ShellServices::Exists(path)) {
        SetflagState(flStop);
        FBoxes->ShowMessage(this, NoSuchFileStart + QFile::decodeName(path) + NoSuchFileEnd);
        return;
    }
    try {
        // Loaded and stopped, so that the bar can seek in it.
        OpenInPlayer(path);
        mp3player.Stop();
        SetflagState(flStop);
    } catch (const std::exception&) {
    }
}

QList<QUrl> TForm1::SelectedFileUrls() const {
    QList<QUrl> urls;
    for (int i = 0; i < Mp3List->topLevelItemCount(); ++i)
        if (const QTreeWidgetItem* row = Mp3List->topLevelItem(i); row->isSelected())
            urls << FileUrl(RowNativePath(row));
    return urls;
}

void TForm1::Mp3ListMouseDown(const QPoint& at) {
    FDragPending = false;
    if (Mp3List->selectedItems().isEmpty()) return;
    StopClick();
    FDragStart = at;
    FDragPending = true;
}

void TForm1::Mp3ListMouseMove(const QPoint& at, Qt::MouseButtons buttons) {
    if (!FDragPending || buttons == Qt::NoButton) {
        FDragPending = false;
        return;
    }
    if ((at - FDragStart).manhattanLength() < QApplication::startDragDistance()) return;
    FDragPending = false;
    auto* data = new QMimeData;
    data->setUrls(SelectedFileUrls());
    auto* drag = new QDrag(Mp3List);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}
