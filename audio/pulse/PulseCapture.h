#pragma once
// Capture from the sound server: the list of inputs, and record streams that fill a ring.
// No server type appears here.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TCaptureDevice {
    std::string name;        // the server's source name, its identifier
    std::string description; // what a person reads
};

// The server's sources in server order; empty when no server answers.
std::vector<TCaptureDevice> ListCaptureDevices();

enum TCaptureError : uint32_t {
    ceNone = 0,
    ceNoDriver,  // no server, or no such source
    ceAllocated, // the source is busy or the server refused the stream
    ceBadFormat, // the format was refused
    ceGeneric,
};

// One record stream of s16le at the given rate and channels, converted by the server. The server's
// thread writes into a ring of at least RingBytes (four seconds or more); the "capture position" is
// how much it has written.
// Open, Start, Stop, Waiting and Read are called by one thread (the pulling sink's worker).
class TCaptureStream {
public:
    static std::unique_ptr<TCaptureStream> Open(const std::string& sourceName, uint32_t sampleRate,
                                                 uint32_t channels, uint32_t ringBytes, uint32_t fragmentBytes,
                                                 TCaptureError& error);
    virtual ~TCaptureStream() = default;

    // Uncork / cork. What was captured before Stop stays in the ring.
    virtual bool Start() = 0;
    virtual bool Stop() = 0;
    // Bytes written and not yet read. When the server lapped the reader, the oldest data is
    // dropped and lapped is set. False when the stream or the server has failed.
    virtual bool Waiting(uint32_t& bytes, bool& lapped) = 0;
    // Copies bytes (at most Waiting) from the ring and advances the read position.
    virtual void Read(void* destination, uint32_t bytes) = 0;
};
