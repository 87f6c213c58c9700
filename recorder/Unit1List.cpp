// The recordings list: filling it from the folder, sorting it, and playing a row.

#include "Unit1.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace {

const QString Mp3Extension = QStringLiteral(".mp3");

// The locale's short date, with the year written in full so that it parses back unambiguously.
QString ListDateFormat(const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy"))) format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
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
    return date + QLatin1Char(' ') + locale.toString(QTime(when.time().hour(), when.time().minute(), when.time().second()),
                                                    ListTimeFormat(locale));
}

const QDateTime NoDate(QDate(1799, 1, 1), QTime(0, 0));

QDateTime ParseDateTime(const QString& text) {
    const QLocale locale;
    const QDateTime when = locale.toDateTime(text, ListDateFormat(locale) + QLatin1Char(' ') + ListTimeFormat(locale));
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

qint64 ParseSize(QString text) { return ParseInteger(text.remove(QStringLiteral("Ko"), Qt::CaseInsensitive)); }

// Ordinal, folding the case of ASCII letters only.
int CompareIgnoringAsciiCase(const QString& a, const QString& b) {
    const auto fold = [](QChar c) { return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ? c.unicode() + 32 : c.unicode(); };
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
    qint64 tie = 0; // for dates: the exact modification time, so that recordings of one second keep their order
    bool operator<(const TSortRow& other) const { return number != other.number ? number < other.number : tie < other.tie; }
};

constexpr int ExactTimeRole = Qt::UserRole;

} // namespace

QString RemoveExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot == name.size() - 1) return name;
    return name.left(dot);
}

void TForm1::refreshlist() { ListFolder(mp3Folder); }

TMp3properties TForm1::GetMp3Properties(const QString& path) {
    TMp3properties properties;
    MP3In1.SetFileName(QFile::encodeName(path).toStdString());
    if (MP3In1.Valid()) {
        properties.length = MP3In1.Size();
        properties.time = ClockText(int64_t{MP3In1.TotalTime()} * 1000);
    }
    MP3In1.SetFileName("");
    return properties;
}

void TForm1::ListFolder(const QString& folder) {
    const QFileInfoList files = QDir(folder).entryInfoList(
        {QStringLiteral("*") + Mp3Extension}, QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive,
        QDir::Unsorted);
    Mp3List->clear();
    if (files.isEmpty()) return;
    Mp3List->setUpdatesEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QList<QTreeWidgetItem*> rows;
    rows.reserve(files.size());
    for (const QFileInfo& file : files) {
        const QString caption = RemoveExtension(file.fileName());
        auto* row = new QTreeWidgetItem(
            {caption, ListDateTimeText(file.lastModified()), GetMp3Properties(folder + caption + Mp3Extension).time,
             QString::number(RoundHalfEven(static_cast<double>(file.size()) / 1000.0)) + QStringLiteral("Ko")});
        for (int column = 1; column < 4; ++column) row->setTextAlignment(column, Qt::AlignCenter);
        row->setData(1, ExactTimeRole, file.lastModified().toMSecsSinceEpoch());
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

void TForm1::Mp3ListClick() {
    StopClick();
    const QList<QTreeWidgetItem*> selected = Mp3List->selectedItems();
    if (Mp3List->topLevelItemCount() == 0 || selected.isEmpty()) {
        Mp3List->clearSelection();
        Mp3List->setCurrentItem(nullptr);
        StopClick();
        return;
    }
    const QString path = mp3Folder + selected.first()->text(0) + Mp3Extension;
    try {
        if (!QFileInfo::exists(path)) {
            SetflagState(flStop);
            FBoxes->ShowMessage(nullptr, QString(Texts.wyd_FileNotExist).replace(QStringLiteral("XXXXXX"), path));
            return;
        }
        mp3player.SetFileName(QFile::encodeName(path).toStdString());
        mp3player.Open();
        SetPlayerVolume(static_cast<int32_t>(RoundHalfEven(static_cast<double>(SliderOutput->Position()) * 10)));
        SetflagState(flPlay);
        mp3player.Play();
        Progres2->SetMaxi(static_cast<int32_t>(std::min<int64_t>(mp3player.Length(), INT32_MAX)));
    } catch (const std::exception&) {
        SetflagState(flStop);
        FBoxes->ShowMessage(this, Texts.wyd_MP3NotValide);
    }
}
