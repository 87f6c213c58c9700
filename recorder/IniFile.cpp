#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace {

struct TIniLines {
    QStringList lines; // without their line ends
    QString lineEnd = QStringLiteral("\n");
};

TIniLines ReadLines(const QString& fileName) {
    TIniLines result;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return result;
    const QString text = QString::fromUtf8(file.readAll());
    if (text.isEmpty()) return result;
    result.lines = text.split(QLatin1Char('\n'));
    if (result.lines.last().isEmpty()) result.lines.removeLast();
    if (!result.lines.isEmpty() && result.lines.first().endsWith(QLatin1Char('\r')))
        result.lineEnd = QStringLiteral("\r\n");
    for (QString& line : result.lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    return result;
}

// The section name of a "[name]" line; a null string for any other line.
QString SectionName(const QString& line) {
    const QString trimmed = line.trimmed();
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    if (!trimmed.startsWith(QLatin1Char('[')) || close < 0) return {};
    return trimmed.mid(1, close - 1).trimmed();
}

bool IsKeyLine(const QString& line, const QString& key) {
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    return equals >= 0 && SectionName(line).isNull() &&
           line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0;
}

QString UnquotedValue(const QString& line) {
    QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

struct TKeyPlace {
    qsizetype sectionLine = -1; // the "[section]" line, -1 when the section is missing
    qsizetype keyLine = -1;     // the "key=value" line, -1 when the key is missing
    qsizetype lastLine = -1;    // last non-blank line of the section
};

TKeyPlace FindKey(const QStringList& lines, const QString& section, const QString& key) {
    TKeyPlace place;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString name = SectionName(lines[i]);
        if (!name.isNull()) {
            if (place.sectionLine >= 0) break;
            if (name.compare(section, Qt::CaseInsensitive) == 0) place.sectionLine = place.lastLine = i;
            continue;
        }
        if (place.sectionLine < 0) continue;
        if (!lines[i].trimmed().isEmpty()) place.lastLine = i;
        if (place.keyLine < 0 && IsKeyLine(lines[i], key)) place.keyLine = i;
    }
    return place;
}

bool ParseInteger(const QString& text, int& value) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    if (trimmed.startsWith(QLatin1Char('$')))
        value = trimmed.mid(1).toInt(&ok, 16);
    else if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = trimmed.mid(2).toInt(&ok, 16);
    else
        value = trimmed.toInt(&ok, 10);
    return ok;
}

} // namespace

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    const TIniLines ini = ReadLines(FFileName);
    const TKeyPlace place = FindKey(ini.lines, section, key);
    if (place.keyLine < 0) return defaultValue;
    return UnquotedValue(ini.lines[place.keyLine]).left(MaxValueLength);
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    int value = 0;
    return ParseInteger(ReadString(section, key, QString()), value) ? value : defaultValue;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const QString failure = QStringLiteral("Impossible d'écrire dans %1").arg(FFileName);
    const QFileInfo info(FFileName);
    // A file without any write bit is read-only, for root as well.
    const bool readOnly = !info.isWritable() ||
                          !(info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
    if (info.exists() && (!info.isFile() || readOnly)) throw EIniFileException(failure.toStdString());

    TIniLines ini = ReadLines(FFileName);
    const TKeyPlace place = FindKey(ini.lines, section, key);
    if (place.keyLine >= 0) {
        const QString& old = ini.lines[place.keyLine];
        ini.lines[place.keyLine] =
            old.left(old.indexOf(QLatin1Char('='))).trimmed() + QLatin1Char('=') + value;
    } else if (place.sectionLine >= 0) {
        ini.lines.insert(place.lastLine + 1, key + QLatin1Char('=') + value);
    } else {
        ini.lines << QLatin1Char('[') + section + QLatin1Char(']') << key + QLatin1Char('=') + value;
    }

    // Written beside the old file and renamed over it, so a failed write never leaves half a file.
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly)) throw EIniFileException(failure.toStdString());
    file.write((ini.lines.join(ini.lineEnd) + ini.lineEnd).toUtf8());
    if (!file.commit()) throw EIniFileException(failure.toStdString());
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}
