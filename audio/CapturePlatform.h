#pragma once
// What the capture source needs of a platform: the list of inputs, and record streams that fill a
// ring. The sound server's implementation lives in pulse/; tests supply their own. No server type
// appears here.

#include "CaptureRing.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TCaptureDevice {
    std::string name;        // the server's source name, its identifier
    std::string description; // what a person reads
};

enum TCaptureError : uint32_t {
    ceNone = 0,
    ceNoDriver,  // no server, or no such source
    ceAllocated, // the source is busy or the server refused the stream
    ceBadFormat, // the format was refused
    ceGeneric,
};

// One record stream of 16-bit samples at the rate and channels asked for. The platform's thread
// writes into the ring; the "capture position" is how much it has written.
// Start and Stop are called by the pulling worker, or by the main thread while the worker is held
// in a pause; the ring's consumer side belongs to the worker; Wake may come from any thread.
class TCaptureStream {
public:
    explicit TCaptureStream(uint32_t ringBytes) : FRing(ringBytes) {}
    virtual ~TCaptureStream() = default;
    TCaptureStream(const TCaptureStream&) = delete;
    TCaptureStream& operator=(const TCaptureStream&) = delete;

    // Uncork / cork. What was captured before Stop stays in the ring.
    virtual bool Start() = 0;
    virtual bool Stop() = 0;

    bool Waiting(uint32_t& bytes, bool& lapped) { return FRing.Waiting(bytes, lapped); }
    void Read(void* destination, uint32_t bytes) { FRing.Read(destination, bytes); }
    bool Readable() { return FRing.Readable(); }
    void WaitReadable(int timeoutMs, uint64_t wakesSeen) { FRing.WaitReadable(timeoutMs, wakesSeen); }
    void Wake() { FRing.Wake(); }
    uint64_t Wakes() { return FRing.Wakes(); }
    void Discard() { FRing.Discard(); }
    bool Failed() { return FRing.Failed(); }

protected:
    TCaptureRing FRing;
};

class TCapturePlatform {
public:
    virtual ~TCapturePlatform() = default;
    // The inputs in the platform's order; empty when none can be listed.
    virtual std::vector<TCaptureDevice> ListDevices() = 0;
    // Null with a reason when the input cannot be opened. The ring holds at least ringBytes;
    // fragmentBytes is how much the platform should hand over at a time. The waits of the open, and
    // of the stream's Start and Stop, end early once cancelled reads true (a stop came): the open
    // then fails, and Start and Stop do not wait for the server's answer.
    virtual std::unique_ptr<TCaptureStream> Open(const std::string& sourceName, uint32_t sampleRate,
                                                 uint32_t channels, uint32_t ringBytes,
                                                 uint32_t fragmentBytes, const std::atomic<bool>& cancelled,
                                                 TCaptureError& error) = 0;
    // Any thread, never blocking for long: the waits under way look at their cancel flag now.
    virtual void WakeWaits() {}
};

// The sound server's inputs, shared by every capture source of the process.
std::shared_ptr<TCapturePlatform> ServerCapturePlatform();
