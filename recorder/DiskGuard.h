#pragma once
// How much recording the recordings folder's disk still takes, at the bit rate being recorded.
// Main thread only.

#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class TDiskGuard {
public:
    // Bytes this user may still write on the file system that holds the folder; nullopt when it
    // cannot be read (a folder that has gone: the recording's own error says so).
    using TFreeSpaceReader = std::function<std::optional<int64_t>(const QString& folder)>;

    static constexpr int64_t WarnBelowSeconds = 600; // the status line shows the time left
    static constexpr int64_t StopBelowSeconds = 20;  // the recording is finished; none starts
    static constexpr int CheckIntervalMs = 2000;     // while recording
    // When the encoder picks the bit rate itself, the highest it may pick.
    static constexpr uint32_t HighestKbps = 320;

    // The free space of the folder's file system (statvfs) unless a test scripts it.
    void SetFreeSpaceReader(TFreeSpaceReader reader) { FReader = std::move(reader); }
    static std::optional<int64_t> ReadFreeSpace(const QString& folder);

    // Whole seconds of recording at kbps (0: the encoder's choice) that still fit in the folder.
    std::optional<int64_t> SecondsLeft(const QString& folder, uint32_t kbps) const;
    static int64_t SecondsOfRecording(int64_t bytes, uint32_t kbps);

    // True on the first call after Restart, then once every CheckIntervalMs.
    bool Due();
    void Restart() { FSinceCheck.invalidate(); }

private:
    TFreeSpaceReader FReader = ReadFreeSpace;
    QElapsedTimer FSinceCheck;
};
