#include "ShellServices.h"

#include <QFontDatabase>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <pwd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
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
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return {};
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
    const bool cLocale = locale.isEmpty() || locale == QLatin1String("C") || locale.startsWith(QLatin1String("C.")) ||
                         locale == QLatin1String("POSIX");
    if (cLocale) return QStringLiteral("en");
    if (!preferred.isEmpty()) locale = preferred;
    const QString code = locale.section(QRegularExpression(QStringLiteral("[_.@]")), 0, 0).toLower();
    static const QRegularExpression isoCode(QStringLiteral("^[a-z]{2,3}$"));
    return isoCode.match(code).hasMatch() ? code : QString();
}

QString ProgramFolder() {
    const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    // Installed, the program is in bin/ and its skins and texts in share/sarvo-mp3-recorder/.
    const QString installed = QDir::cleanPath(folder + QStringLiteral("../share/sarvo-mp3-recorder")) + QLatin1Char('/');
    return !QFileInfo(folder + QStringLiteral("Skins")).isDir() && QFileInfo(installed + QStringLiteral("Skins")).isDir()
               ? installed
               : folder;
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
