#include "ShellServices.h"

#include <QFontDatabase>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

// GIO names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace ShellServices {

namespace {

QString Environment(const char* name) { return QString::fromLocal8Bit(std::getenv(name)); }

} // namespace

QString ApplicationDataFolder() {
    const QString configHome = Environment("XDG_CONFIG_HOME");
    const QString home = QDir::homePath();
    QString folder;
    if (QDir::isAbsolutePath(configHome))
        folder = QDir::cleanPath(configHome);
    else if (!home.isEmpty())
        folder = QDir::cleanPath(home + QStringLiteral("/.config"));
    if (!folder.isEmpty()) QDir().mkpath(folder);
    return folder;
}

QString DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) return {};
    QDir().mkpath(documents);
    return QDir::cleanPath(documents);
}

QString UserName() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return {};
    return QString::fromLocal8Bit(found->pw_name);
}

QString InterfaceLanguage() {
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = Environment(name);
        if (!locale.isEmpty()) break;
    }
    // LANGUAGE, a list of preferences, counts only when a real locale is set, as for the C library.
    const QString preferred = Environment("LANGUAGE").section(QLatin1Char(':'), 0, 0);
    const bool cLocale = locale.isEmpty() || locale == QLatin1String("C") ||
                         locale.startsWith(QLatin1String("C.")) || locale == QLatin1String("POSIX");
    if (cLocale) return QStringLiteral("en");
    if (!preferred.isEmpty()) locale = preferred;
    const QString code = locale.section(QRegularExpression(QStringLiteral("[_.@]")), 0, 0).toLower();
    static const QRegularExpression isoCode(QStringLiteral("^[a-z]{2,3}$"));
    return isoCode.match(code).hasMatch() ? code : QString();
}

QString ProgramFolder() {
    const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    // Installed, the program is in bin/ and its skins and texts in share/sarvo-mp3-recorder/.
    const QString installed =
        QDir::cleanPath(folder + QStringLiteral("../share/sarvo-mp3-recorder")) + QLatin1Char('/');
    return !QFileInfo(folder + QStringLiteral("Skins")).isDir() &&
                   QFileInfo(installed + QStringLiteral("Skins")).isDir()
               ? installed
               : folder;
}

std::vector<TFolderFile> RegularFiles(const QByteArray& nativeFolder, const QByteArray& suffix) {
    std::vector<TFolderFile> files;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(nativeFolder.constData()), closedir);
    if (!dir) return files;
    while (const dirent* entry = readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        struct stat info {};
        // stat, not open: links are followed, and a FIFO is looked at without waiting for a writer.
        if (!name.endsWith(suffix) || fstatat(dirfd(dir.get()), entry->d_name, &info, 0) != 0 ||
            !S_ISREG(info.st_mode))
            continue;
        const qint64 ms = qint64{info.st_mtim.tv_sec} * 1000 + info.st_mtim.tv_nsec / 1000000;
        files.push_back({name, qint64{info.st_size}, QDateTime::fromMSecsSinceEpoch(ms)});
    }
    return files;
}

bool Exists(const QByteArray& nativePath) {
    struct stat info {};
    return stat(nativePath.constData(), &info) == 0;
}

bool RenameFile(const QByteArray& from, const QByteArray& to) {
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return true;
    // File systems that cannot refuse to replace: check first, as well as can be done there.
    if (errno != EINVAL && errno != ENOSYS) return false;
    return !Exists(to) && rename(from.constData(), to.constData()) == 0;
}

bool MoveToTrash(const QByteArray& nativePath) {
    const std::unique_ptr<GFile, void (*)(gpointer)> file(g_file_new_for_path(nativePath.constData()),
                                                          g_object_unref);
    GError* error = nullptr;
    const bool moved = g_file_trash(file.get(), nullptr, &error);
    if (error) g_error_free(error);
    return moved;
}

void RaiseProcessPriority() { (void)setpriority(PRIO_PROCESS, 0, -10); }

} // namespace ShellServices

QString ShellServices::FontFamily(const QString& face) {
    return QFontDatabase::hasFamily(face) ? face : QStringLiteral("Open Sans");
}

QFont ShellServices::Font(const QString& face, int pixelHeight) {
    QFont font(FontFamily(face));
    font.setPixelSize(pixelHeight);
    return font;
}
