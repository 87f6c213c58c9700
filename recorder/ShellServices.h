#pragma once
// The per-user folders, the account name and the interface language of this desktop.
// Folder look-ups return no trailing separator, and an empty text when they fail.

#include <QByteArray>
#include <QDateTime>
#include <QFont>
#include <QString>

#include <vector>

namespace ShellServices {

// $XDG_CONFIG_HOME, default ~/.config: where per-user application data is kept; created when missing.
QString ApplicationDataFolder();
// The XDG documents folder, default ~/Documents; created when it is missing, as a fresh account may lack it.
QString DocumentsFolder();
// The account name from the password database; empty when it cannot be read.
QString UserName();
// Two-letter code of the user's interface language ("en", "fr", "de"...), from LANGUAGE, LC_ALL,
// LC_MESSAGES or LANG; "en" for the C locale.
QString InterfaceLanguage();
// Folder of the running program, with a trailing separator; for an installed program, its data
// folder (share/sarvo-mp3-recorder/ beside bin/), where its skins and texts are.
QString ProgramFolder();
// One file of a folder, named by the bytes the file system holds, whatever their encoding.
struct TFolderFile {
    QByteArray NativeName;
    qint64 Size = 0;
    QDateTime LastModified;
};
// The regular files of a folder (its path as the file system holds it) whose names end with suffix
// (compared byte for byte), in the folder's own order; a link to a regular file counts as that
// file. Nothing is opened, so FIFOs, sockets, devices and dangling links are left out without
// waiting. Empty when the folder cannot be read.
std::vector<TFolderFile> RegularFiles(const QByteArray& nativeFolder, const QByteArray& suffix);
// True when the path names something that exists, links followed.
bool Exists(const QByteArray& nativePath);
// Renames a file; fails, changing nothing, when the new name is taken.
bool RenameFile(const QByteArray& from, const QByteArray& to);
// Moves a file to the desktop's trash as the file managers do, restorable from there: the home
// trash, or the trash of the file's own volume; false when it could not be moved.
bool MoveToTrash(const QByteArray& nativePath);
// Raises the process's scheduling priority; a refusal is ignored.
void RaiseProcessPriority();
// The font family to draw a named face with: the face itself when installed, else the open
// family the project installs in its place.
QString FontFamily(const QString& face);
// That family at a character height in pixels.
QFont Font(const QString& face, int pixelHeight);

} // namespace ShellServices
