#pragma once
// A small tmpfs mounted on a folder for one test (it needs root), taken away after it.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

class TSmallDisk {
public:
    TSmallDisk(const QString& folder, int mebibytes) : FFolder(folder) {
        QDir().mkpath(folder);
        FMounted = QProcess::execute(QStringLiteral("mount"),
                                     {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                      QStringLiteral("size=%1m").arg(mebibytes), QStringLiteral("tmpfs"),
                                      folder}) == 0;
    }
    ~TSmallDisk() {
        if (FMounted) QProcess::execute(QStringLiteral("umount"), {FFolder});
    }
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;
    bool Mounted() const { return FMounted; }
    QString Folder() const { return FFolder + QLatin1Char('/'); }
    // Another file takes that many bytes of it.
    void Fill(qint64 bytes) const {
        QFile filler(FFolder + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        ASSERT_EQ(filler.write(QByteArray(bytes, 'x')), bytes);
    }

private:
    QString FFolder;
    bool FMounted = false;
};
