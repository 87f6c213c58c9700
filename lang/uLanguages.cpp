#include "uLanguages.h"

#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

QString FindResourcePath(const QString& resName) {
    QDirIterator it(QStringLiteral(":/"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.section(QLatin1Char('/'), -1).compare(resName, Qt::CaseInsensitive) == 0) return path;
    }
    return {};
}

namespace {

QString ReadResourceText(const QString& resName) {
    const QString path = FindResourcePath(resName);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        throw EResNotFound("Resource " + resName.toStdString() + " not found");
    // Read as lines and join them again, so line ends come out the same whatever the resource holds.
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QStringList trimmed;
    trimmed.reserve(lines.size());
    for (const QString& line : lines) trimmed << (line.endsWith(QLatin1Char('\r')) ? line.chopped(1) : line);
    return trimmed.join(QLatin1Char('\n'));
}

// A JSON scalar is valid JSON too, but the document parser only takes arrays and objects.
bool IsJsonScalar(const QByteArray& text) {
    QJsonParseError error{};
    QJsonDocument::fromJson("[" + text + "]", &error);
    return error.error == QJsonParseError::NoError;
}

std::optional<QString> ValueAsText(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double:
        return value.toVariant().toString();
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
        return std::nullopt;
    }
}

} // namespace

TLanguage::TLanguage(QObject* AOwner) : QObject(AOwner) {}

void TLanguage::setSource(const QString& resName) {
    FLang = resName;
    const QByteArray text = ReadResourceText(resName).toUtf8();
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        if (IsJsonScalar(text))
            throw EJsonTypeError("Invalid JSON type: the language table must be an array");
        FIds.reset();
        return;
    }
    if (!doc.isArray()) throw EJsonTypeError("Invalid JSON type: the language table must be an array");
    FIds = doc.array();
}

QString TLanguage::localize(const QString& id) const {
    static const QString failed = QStringLiteral("-");
    if (!FIds) return failed;
    QString result;
    for (const QJsonValue& element : *FIds) {
        if (!element.isObject()) continue;
        const QJsonValue maps = element.toObject().value(FCurrLang);
        if (!maps.isArray()) continue;
        for (const QJsonValue& map : maps.toArray()) {
            if (!map.isObject() || !map.toObject().contains(id)) return failed;
            const std::optional<QString> text = ValueAsText(map.toObject().value(id));
            if (!text) return failed;
            result = *text;
            result.replace(QStringLiteral("<br>"), QStringLiteral("\r\n"));
        }
    }
    return result;
}
