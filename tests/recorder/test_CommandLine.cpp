// The command line: one transport command, the questions, and what is not understood.

#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

TCommandLine Parse(const QStringList& arguments) { return ParseCommandLine(arguments); }

} // namespace

TEST(CommandLine, EachTransportOptionNamesItsCommand) {
    const std::vector<std::pair<QString, TRemoteCommand>> options{{QStringLiteral("--record"), rcRecord},
                                                                  {QStringLiteral("--pause"), rcPause},
                                                                  {QStringLiteral("--stop"), rcStop},
                                                                  {QStringLiteral("--toggle"), rcToggle},
                                                                  {QStringLiteral("--play"), rcPlay}};
    for (const auto& [option, command] : options) {
        const TCommandLine line = Parse({option});
        EXPECT_TRUE(line.error.isEmpty()) << option.toStdString() << ": " << line.error.toStdString();
        EXPECT_EQ(line.command, command) << option.toStdString();
        EXPECT_FALSE(line.help || line.version);
    }
    const TCommandLine plain = Parse({});
    EXPECT_EQ(plain.command, rcRaise) << "a plain start shows the recorder";
    EXPECT_TRUE(plain.error.isEmpty());
}

TEST(CommandLine, OnlyRecordToggleAndAPlainStartMayStartTheRecorder) {
    EXPECT_TRUE(StartsTheProgram(rcRaise));
    EXPECT_TRUE(StartsTheProgram(rcRecord));
    EXPECT_TRUE(StartsTheProgram(rcToggle));
    EXPECT_FALSE(StartsTheProgram(rcPause));
    EXPECT_FALSE(StartsTheProgram(rcStop));
    EXPECT_FALSE(StartsTheProgram(rcPlay));
}

TEST(CommandLine, WhatIsNotUnderstoodIsSaidInOneLine) {
    for (const QStringList& bad :
         {QStringList{QStringLiteral("--recrod")}, QStringList{QStringLiteral("--raise")},
          QStringList{QStringLiteral("record")},
          QStringList{QStringLiteral("--record"), QStringLiteral("--stop")}}) {
        const TCommandLine line = Parse(bad);
        EXPECT_FALSE(line.error.isEmpty()) << bad.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(line.error.contains(QLatin1Char('\n')));
    }
    EXPECT_TRUE(Parse({QStringLiteral("--recrod")}).error.contains(QStringLiteral("--recrod")));
}

TEST(CommandLine, TheToolkitsOwnOptionsAndTheirValuesAreLeftToIt) {
    const TCommandLine line = Parse({QStringLiteral("-platform"), QStringLiteral("xcb"),
                                     QStringLiteral("--toggle"), QStringLiteral("-reverse")});
    EXPECT_TRUE(line.error.isEmpty()) << line.error.toStdString();
    EXPECT_EQ(line.command, rcToggle);
}

TEST(CommandLine, HelpListsEveryOptionAndVersionNamesTheProgram) {
    EXPECT_TRUE(Parse({QStringLiteral("--help")}).help);
    EXPECT_TRUE(Parse({QStringLiteral("-h")}).help);
    EXPECT_TRUE(Parse({QStringLiteral("--version")}).version);
    const QString help = HelpText(QStringLiteral("sarvo-mp3-recorder"));
    EXPECT_TRUE(help.startsWith(QStringLiteral("Usage: sarvo-mp3-recorder [OPTION]\n")));
    for (const char* option : {"--record", "--pause", "--stop", "--toggle", "--play", "--help", "--version"})
        EXPECT_TRUE(help.contains(QStringLiteral("\n  %1 ").arg(QLatin1String(option)))) << option;
    for (const QString& line : help.split(QLatin1Char('\n')))
        EXPECT_LE(line.size(), 100) << line.toStdString();
    EXPECT_TRUE(VersionText().startsWith(QStringLiteral("Sarvo MP3 Recorder ")));
}

TEST(CommandLine, CommandNamesGoBothWays) {
    for (const TRemoteCommand command : {rcRaise, rcRecord, rcPause, rcStop, rcToggle, rcPlay})
        EXPECT_EQ(CommandOfName(CommandName(command)), command) << CommandName(command).toStdString();
    EXPECT_FALSE(CommandOfName(QStringLiteral("format-disk")));
    EXPECT_FALSE(CommandOfName(QString()));
}
