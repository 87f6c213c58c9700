#pragma once
// What the playback sink needs of a platform: playback streams. The sound server's implementation
// lives in pulse/; tests supply their own. No server type appears here.
// Every stream call but HeardUs is made by one thread (the sink's worker, or the main thread while
// the worker is held in a pause); HeardUs may be called from any thread while the stream exists.

#include <cstdint>
#include <memory>
#include <string>

class TPlaybackStream {
public:
    virtual ~TPlaybackStream() = default;

    // Bytes the server takes now without growing its buffer; false when the stream or the server failed.
    virtual bool Writable(uint32_t& bytes) = 0;
    // Waits until the server asks for data or timeoutMs pass.
    virtual void WaitWritable(int timeoutMs) = 0;
    virtual bool Write(const void* data, uint32_t bytes) = 0;
    // Cork holds playback where it is; Flush drops what has not been heard yet.
    virtual bool Cork(bool cork) = 0;
    virtual bool Flush() = 0;
    // Plays out what is queued. Drained tells when that is done; false on failure.
    virtual bool StartDrain() = 0;
    virtual bool Drained(bool& done) = 0;
    // Microseconds heard so far, the server's latency taken off.
    virtual uint64_t HeardUs() = 0;
};

class TPlaybackPlatform {
public:
    virtual ~TPlaybackPlatform() = default;
    // Null with a reason when no server answers or the format is refused. bitsPerSample is 8
    // (unsigned), 16, 24 or 32 (signed little-endian).
    virtual std::unique_ptr<TPlaybackStream> Open(uint32_t sampleRate, uint32_t channels,
                                                  uint32_t bitsPerSample, uint32_t latencyMs,
                                                  std::string& error) = 0;
};

// The sound server's default output, shared by every playback sink of the process.
std::shared_ptr<TPlaybackPlatform> ServerPlaybackPlatform();
