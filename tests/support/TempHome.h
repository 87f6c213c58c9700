#pragma once
// A fresh, empty home folder for one test: HOME points at it, the XDG folders and the
// language variables are cleared, and everything is put back afterwards.

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <map>
#include <string>

class TempHome {
public:
    explicit TempHome(const char* lang = "en_US.UTF-8") {
        for (const char* name :
             {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
            if (qEnvironmentVariableIsSet(name)) saved_[name] = qgetenv(name);
            qunsetenv(name);
        }
        qputenv("HOME", dir_.path().toLocal8Bit());
        if (lang) qputenv("LANG", lang);
    }
    ~TempHome() {
        for (const char* name :
             {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            qunsetenv(name);
        for (const auto& [name, value] : saved_) qputenv(name.c_str(), value);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString Path(const QString& relative = {}) const {
        return relative.isEmpty() ? dir_.path() : dir_.filePath(relative);
    }

private:
    QTemporaryDir dir_;
    std::map<std::string, QByteArray> saved_;
};
