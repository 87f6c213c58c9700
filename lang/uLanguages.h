#pragma once
// The language table: answers a text key with the text of the current interface language.

#include <QJsonArray>
#include <QObject>
#include <QString>
#include <optional>
#include <stdexcept>

// The program carries no resource of the requested name.
class EResNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The table's text is valid JSON but its top level is not an array.
class EJsonTypeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TLanguage : public QObject {
    Q_OBJECT
public:
    explicit TLanguage(QObject* AOwner = nullptr);

    // Reads the table from the program's resource of that name (names match ignoring case).
    // Text that is not JSON leaves no table; a top level other than an array raises EJsonTypeError.
    void setSource(const QString& resName);
    void setLanguage(const QString& langId) { FCurrLang = langId; }
    // The text of key id in the current language, "<br>" turned into "\r\n"; "-" when it cannot be read.
    QString localize(const QString& id) const;

    const QString& Source() const { return FLang; }
    const QString& CurrentLanguage() const { return FCurrLang; }

private:
    QString FLang = QStringLiteral(" ");
    QString FCurrLang = QStringLiteral("Default");
    std::optional<QJsonArray> FIds;
};

// Path of the program resource whose name equals resName ignoring case; empty when there is none.
QString FindResourcePath(const QString& resName);
