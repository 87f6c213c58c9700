#include "DiskGuard.h"

#include <QFile>

#include <sys/statvfs.h>

std::optional<int64_t> TDiskGuard::ReadFreeSpace(const QString& folder) {
    struct statvfs disk {};
    if (statvfs(QFile::encodeName(folder).constData(), &disk) != 0) return std::nullopt;
    return static_cast<int64_t>(disk.f_bavail) * static_cast<int64_t>(disk.f_frsize);
}

int64_t TDiskGuard::SecondsOfRecording(int64_t bytes, uint32_t kbps) {
    const int64_t bitsPerSecond = int64_t{kbps == 0 ? HighestKbps : kbps} * 1000;
    return bytes <= 0 ? 0 : bytes * 8 / bitsPerSecond;
}

std::optional<int64_t> TDiskGuard::SecondsLeft(const QString& folder, uint32_t kbps) const {
    const std::optional<int64_t> bytes = FReader(folder);
    if (!bytes) return std::nullopt;
    return SecondsOfRecording(*bytes, kbps);
}

bool TDiskGuard::Due() {
    if (FSinceCheck.isValid() && !FSinceCheck.hasExpired(CheckIntervalMs)) return false;
    FSinceCheck.start();
    return true;
}
