#pragma once
// Helpers for tests that drive a window with the engine running under it.

#include "MP3In.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <string>

// Runs the event loop, which also delivers the engine's notifications, until pred holds.
template <class Pred>
bool RunUntil(Pred pred, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!pred() && clock.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return pred();
}

inline void RunFor(int ms) {
    RunUntil([] { return false; }, ms);
}

// Chooses the input whose entry starts so, as the settings window would; false when there is none.
template <class Form>
bool ChooseInputStartingWith(Form& form, const QString& start) {
    const int input = form.ComboRecLines->findText(start, Qt::MatchStartsWith);
    if (input < 0) return false;
    form.ComboRecLines->setCurrentIndex(input);
    form.ComboRecLinesChange();
    return true;
}

// The private sound server's paced input, which keeps time with the wall clock (the sine source
// hands out seconds ahead of it).
template <class Form>
bool ChoosePacedInput(Form& form) {
    return ChooseInputStartingWith(form, QStringLiteral("Paced"));
}

// Runs the event loop until the recording under way holds encoded sound: only such a take plays
// once stopped, and an input can be slow to deliver its first sound on a busy server (the sine
// source hands out seconds at a time). A position would not do: the capture's still counts the run
// before until the worker has prepared the new one.
template <class Form>
bool RunUntilTheTakeHoldsSound(Form& form, int timeoutMs = 5000) {
    constexpr qint64 SomeFrames = 4096;
    const QString take = QFile::decodeName(QByteArray::fromStdString(form.MP3Out1.FileName()));
    return RunUntil([&] { return QFileInfo(take).size() > SomeFrames; }, timeoutMs);
}

// A message as one line of a figure.
inline std::string OneLine(const QString& message) {
    return QString(message).replace(QStringLiteral("\r\n"), QStringLiteral(" / ")).toStdString();
}

// The recordings in a folder, by name.
inline QStringList RecordingsIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.mp3")}, QDir::Files, QDir::Name);
}

// The last bytes of a file; empty when it is shorter or cannot be read.
inline QByteArray FileTail(const QString& path, int bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < bytes) return {};
    file.seek(file.size() - bytes);
    return file.read(bytes);
}

// Length of an MP3 file in milliseconds from its headers; -1 when it is not a valid one.
inline int64_t LengthMs(const QString& path) {
    TMP3In in;
    in.SetFileName(QFile::encodeName(path).toStdString());
    return in.Valid() ? int64_t{in.Duration()} * 10 : -1;
}
