#pragma once
// The desktop's trash as a file manager reads it back, for tests that delete recordings.
//
// GLib reads HOME and XDG_DATA_HOME once per process, so every deletion of one test program goes
// to the home trash of the home it saw first. PinnedHomeTrash() makes that a folder of the
// program's own that lasts as long as the program, under the same temporary folder as the tests'
// homes, so that their files reach it.

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

#include <glib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

// The home trash folder, ending with "/".
inline std::string PinnedHomeTrash() {
    static QTemporaryDir home;
    static const std::string trash = [] {
        const auto swap = [](const char* name, const QByteArray& value) {
            const std::optional<QByteArray> old =
                qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
            qputenv(name, value);
            return old;
        };
        const auto restore = [](const char* name, const std::optional<QByteArray>& old) {
            old ? qputenv(name, *old) : qunsetenv(name);
        };
        const auto oldHome = swap("HOME", home.path().toLocal8Bit());
        const auto oldData = swap("XDG_DATA_HOME", home.path().toLocal8Bit() + "/data");
        g_get_home_dir();
        const std::string data = g_get_user_data_dir();
        restore("HOME", oldHome);
        restore("XDG_DATA_HOME", oldData);
        return data + "/Trash/";
    }();
    return trash;
}

// A file in a trash folder, and where its .trashinfo says it came from.
struct TTrashed {
    std::string file;         // in the trash's files/ folder
    std::string originalPath; // Path= percent-decoded, made absolute against the volume's top
    std::string rawPath;      // Path= as written
};

// The entries of trash (a folder ending with "/") whose Path= decodes to original; volumeTop is
// the folder relative paths are relative to (the volume's top, for a volume's own trash).
inline std::vector<TTrashed> TrashedFrom(const std::string& trash, const std::string& original,
                                         const std::string& volumeTop = {}) {
    std::vector<TTrashed> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(trash + "info", error)) {
        std::ifstream info(entry.path());
        std::string line;
        while (std::getline(info, line)) {
            if (!line.starts_with("Path=")) continue;
            const std::string raw = line.substr(5);
            std::string decoded =
                QByteArray::fromPercentEncoding(QByteArray::fromStdString(raw)).toStdString();
            if (!decoded.starts_with('/')) decoded = volumeTop + "/" + decoded;
            if (decoded != original) continue;
            const std::string name = entry.path().stem().string(); // without ".trashinfo"
            found.push_back({trash + "files/" + name, decoded, raw});
        }
    }
    return found;
}

// Puts a trashed file back where its .trashinfo says, as a file manager's restore does.
inline bool Restore(const TTrashed& trashed) {
    std::error_code error;
    std::filesystem::rename(trashed.file, trashed.originalPath, error);
    return !error;
}
