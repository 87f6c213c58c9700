#pragma once
// The program's command line: one transport command for the recorder of this session, or a
// question (help, version). Read before any window or display is needed.

#include <QString>
#include <QStringList>

#include <optional>

// What a start asks of the session's recorder: show itself (a plain start), or one transport
// action as the window's keys do it; rcToggle records when nothing records and stops otherwise.
enum TRemoteCommand : int { rcRaise, rcRecord, rcPause, rcStop, rcToggle, rcPlay };

struct TCommandLine {
    TRemoteCommand command = rcRaise;
    bool help = false;
    bool version = false;
    QString error; // a bad argument, in one line; empty when the line is good
};

// Exit status of a command line that was not understood.
constexpr int BadUsageStatus = 2;

// arguments: without the program's name. Options other than ours that begin with one dash
// ("-platform xcb") are left to the toolkit; any other word is an error.
TCommandLine ParseCommandLine(const QStringList& arguments);

// The help text, every option with its line; program is the name it was started by.
QString HelpText(const QString& program);
QString VersionText();

// The command's name on the wire and on the command line (without "--").
QString CommandName(TRemoteCommand command);
std::optional<TRemoteCommand> CommandOfName(const QString& name);

// Whether the command starts the recorder when none runs; the others only act on a running one.
bool StartsTheProgram(TRemoteCommand command);
