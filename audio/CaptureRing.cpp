#include "CaptureRing.h"

#include <algorithm>
#include <chrono>
#include <cstring>

void TCaptureRing::Append(const void* data, size_t length) {
    {
        std::lock_guard lock(FLock);
        const size_t size = FRing.size();
        const auto* in = static_cast<const uint8_t*>(data);
        // Only the last ring's worth of a very large delivery can be kept.
        if (length > size) {
            if (in) in += length - size;
            FWritten += length - size;
            length = size;
        }
        const size_t offset = FWritten % size;
        const size_t first = std::min(length, size - offset);
        if (in) {
            std::memcpy(FRing.data() + offset, in, first);
            std::memcpy(FRing.data(), in + first, length - first);
        } else {
            std::memset(FRing.data() + offset, 0, first);
            std::memset(FRing.data(), 0, length - first);
        }
        FWritten += length;
    }
    FReadable.notify_all();
}

void TCaptureRing::Fail() {
    {
        std::lock_guard lock(FLock);
        FFailed = true;
    }
    FReadable.notify_all();
}

void TCaptureRing::Wake() {
    {
        std::lock_guard lock(FLock);
        ++FWakes;
    }
    FReadable.notify_all();
}

uint64_t TCaptureRing::Wakes() {
    std::lock_guard lock(FLock);
    return FWakes;
}

bool TCaptureRing::Readable() {
    std::lock_guard lock(FLock);
    return ReadableLocked();
}

bool TCaptureRing::Waiting(uint32_t& bytes, bool& lapped) {
    std::lock_guard lock(FLock);
    lapped = false;
    bytes = 0;
    if (FFailed) return false;
    if (FWritten - FRead > FRing.size()) {
        FRead = FWritten - FRing.size();
        lapped = true;
    }
    bytes = static_cast<uint32_t>(FWritten - FRead);
    return true;
}

void TCaptureRing::Read(void* destination, uint32_t bytes) {
    std::lock_guard lock(FLock);
    auto* out = static_cast<uint8_t*>(destination);
    const size_t offset = FRead % FRing.size();
    const size_t first = std::min<size_t>(bytes, FRing.size() - offset);
    std::memcpy(out, FRing.data() + offset, first);
    std::memcpy(out + first, FRing.data(), bytes - first);
    FRead += bytes;
}

void TCaptureRing::WaitReadable(int timeoutMs, uint64_t wakesSeen) {
    std::unique_lock lock(FLock);
    FReadable.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                       [this, wakesSeen] { return ReadableLocked() || FWakes != wakesSeen; });
}

void TCaptureRing::Discard() {
    std::lock_guard lock(FLock);
    FRead = FWritten;
}

bool TCaptureRing::Failed() {
    std::lock_guard lock(FLock);
    return FFailed;
}
