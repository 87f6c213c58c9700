#pragma once
// What the benchmarks of the recordings list share: recordings made by the program's own encoder,
// and the list refilled from a folder of them.

#include "BenchKit.h"
#include "MP3Out.h"
#include "SilentBoxes.h"
#include "TestSources.h"
#include "Unit1.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

// A home of its own, and the offscreen platform.
struct TOffscreenHome {
    TOffscreenHome() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("HOME", home.path().toLocal8Bit());
    }
    QTemporaryDir home;
};

// The main window in such a home, whose folder is dir.
struct TListBench : TOffscreenHome {
    TListBench(int& argc, char* argv[]) : app(argc, argv) {}

    QApplication app;
    TSilentBoxes boxes;
    TForm1 form{&boxes};
    const std::string dir = home.path().toStdString();
};

// A 440 Hz tone of that many seconds, at 192 kbit/s mono.
inline void Encode(const std::string& path, int seconds) {
    TToneSource tone(44100, 1, 440, 0.5, int64_t{seconds} * 88200);
    TMP3Out out;
    out.SetInput(&tone);
    out.SetBitRate(mbr192);
    out.SetFileName(path);
    out.BlockingRun();
}

// The best of a few refills of the list from the folder, which holds that many recordings.
inline double Refill(TForm1& form, const std::string& folder, int files, int rounds = 5) {
    const double seconds =
        BestSeconds(rounds, [&] { form.ListFolder(QString::fromStdString(folder) + QStringLiteral("/")); });
    if (form.Mp3List->topLevelItemCount() != files)
        std::fprintf(stderr, "listed %d of %d\n", form.Mp3List->topLevelItemCount(), files);
    return seconds;
}
