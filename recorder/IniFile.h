#pragma once
// prefs.ini access with private-profile behaviour: the file is read or written anew for every
// single value, section and key names match ignoring case, anything missing reads as its default.

#include <QString>
#include <stdexcept>

class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    static constexpr int MaxValueLength = 2047;

    explicit TIniFile(QString fileName) : FFileName(std::move(fileName)) {}

    const QString& FileName() const { return FFileName; }

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Decimal, or hexadecimal after "$" or "0x"; anything else reads as the default.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;

    // Raises EIniFileException "Impossible d'écrire dans <file>" when the file cannot be written.
    // Every other line of the file stays as it was.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);

private:
    QString FFileName;
};
