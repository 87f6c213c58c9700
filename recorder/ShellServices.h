#pragma once
// The per-user folders, the account name and the interface language of this desktop.
// Folder look-ups return no trailing separator, and an empty text when they fail.

#include <QFont>
#include <QString>

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
// Raises the process's scheduling priority; a refusal is ignored.
void RaiseProcessPriority();
// The font family to draw a named face with: the face itself when installed, else the open
// family the project installs in its place.
QString FontFamily(const QString& face);
// That family at a character height in pixels.
QFont Font(const QString& face, int pixelHeight);

} // namespace ShellServices
