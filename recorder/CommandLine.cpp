#include "CommandLine.h"

#include <array>
#include <utility>

namespace {

struct TCommandOption {
    TRemoteCommand command;
    const char* name;
    const char* help;
};

const std::array<TCommandOption, 5> CommandOptions{{
    {rcRecord, "record", "record, or go on with a paused recording; starts the recorder when none runs"},
    {rcPause, "pause", "pause the recording or the playback, or go on"},
    {rcStop, "stop", "stop: a recording is finished and plays"},
    {rcToggle, "toggle",
     "record when nothing records, stop when recording; starts the recorder when none runs"},
    {rcPlay, "play", "play the selected recording, or finish the recording and play it"},
}};

} // namespace

TCommandLine ParseCommandLine(const QStringList& arguments) {
    TCommandLine line;
    int commands = 0;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            line.help = true;
        } else if (argument == QLatin1String("--version")) {
            line.version = true;
        } else if (argument.startsWith(QLatin1String("--"))) {
            const std::optional<TRemoteCommand> command = CommandOfName(argument.mid(2));
            if (!command || *command == rcRaise) { // a plain start raises; it has no option
                line.error = QStringLiteral("unknown option '%1'").arg(argument);
                return line;
            }
            line.command = *command;
            ++commands;
        } else if (argument.startsWith(QLatin1Char('-'))) {
            // The toolkit's own option, and its value when one follows.
            if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1Char('-'))) ++i;
        } else {
            line.error = QStringLiteral("unexpected argument '%1'").arg(argument);
            return line;
        }
    }
    if (commands > 1) line.error = QStringLiteral("give one of --record, --pause, --stop, --toggle, --play");
    return line;
}

QString HelpText(const QString& program) {
    QString text =
        QStringLiteral("Usage: %1 [OPTION]\n"
                       "Records a microphone, a line input or what the computer plays straight to MP3.\n"
                       "A plain start shows the recorder of this session, starting it when none runs.\n"
                       "An option acts on the running recorder as the window's keys do, and returns at "
                       "once.\n\n")
            .arg(program);
    const auto line = [&text](const QString& option, const char* help) {
        text += QStringLiteral("  %1 %2\n").arg(option, -11).arg(QString::fromUtf8(help));
    };
    for (const TCommandOption& option : CommandOptions)
        line(QStringLiteral("--") + QString::fromLatin1(option.name), option.help);
    line(QStringLiteral("--help"), "show this help and end");
    line(QStringLiteral("--version"), "show the version and end");
    text += QStringLiteral(
                "\nExit status: 0 when done; 1 when the action is not possible now (the reason on stderr);\n"
                "%1 for a command line that was not understood.\n")
                .arg(BadUsageStatus);
    return text;
}

QString VersionText() { return QStringLiteral("Sarvo MP3 Recorder " SARVO_VERSION "\n"); }

QString CommandName(TRemoteCommand command) {
    for (const TCommandOption& option : CommandOptions)
        if (option.command == command) return QString::fromLatin1(option.name);
    return QStringLiteral("raise");
}

std::optional<TRemoteCommand> CommandOfName(const QString& name) {
    if (name == QLatin1String("raise")) return rcRaise;
    for (const TCommandOption& option : CommandOptions)
        if (name == QLatin1String(option.name)) return option.command;
    return std::nullopt;
}

bool StartsTheProgram(TRemoteCommand command) {
    return command == rcRaise || command == rcRecord || command == rcToggle;
}
