// Start-up time to the main window (the splash left out) with 1,000 recordings in the folder,
// against the same start with an empty folder, in the same run.

#include "BenchKit.h"
#include "MP3Out.h"
#include "SilentBoxes.h"
#include "TestSources.h"
#include "Unit1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// A home whose recordings folder holds count copies of a ten-second recording.
void PrepareHome(const QString& home, const QString& recording, int count) {
    const QString folder = home + QStringLiteral("/Documents/Sarvo mp3 Recordings/");
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i)
        QFile::copy(recording, folder + QStringLiteral("Recording %1.mp3").arg(i));
}

// The best of five starts, from creating the window to its first shown frame; closing it is not
// part of the start.
double StartSeconds(const QString& home) {
    qputenv("HOME", home.toLocal8Bit());
    TSilentBoxes boxes;
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        std::unique_ptr<TForm1> form;
        best = std::min(best, BestSeconds(1, [&] {
                            form = std::make_unique<TForm1>(&boxes);
                            form->show();
                            QCoreApplication::processEvents();
                        }));
    }
    return best;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString recording = scratch.filePath(QStringLiteral("ten.mp3"));
    {
        TToneSource tone(44100, 1, 440, 0.5, 10 * 88200);
        TMP3Out out;
        out.SetInput(&tone);
        out.SetBitRate(mbr192);
        out.SetFileName(recording.toStdString());
        out.BlockingRun();
    }
    PrepareHome(scratch.filePath(QStringLiteral("full")), recording, 1000);
    PrepareHome(scratch.filePath(QStringLiteral("empty")), recording, 0);
    const double full = StartSeconds(scratch.filePath(QStringLiteral("full")));
    const double empty = StartSeconds(scratch.filePath(QStringLiteral("empty")));
    std::printf("start-up to the main window: %.0f ms with 1,000 recordings, %.0f ms with none\n", full * 1e3,
                empty * 1e3);
    TableRow("start-up to the main window with 1,000 recordings (/ with none)",
             Figure("%.0f ms", full * 1e3).c_str(), Figure("%.0f ms", empty * 1e3).c_str(), full / empty,
             "under 1 s in all");
    std::printf("startup ms with 1000 recordings: %.0f (anchor %.0f)\n", full * 1e3, empty * 1e3);
}
