#pragma once
// The ring a capture stream fills: one producer (the sound server's thread, or a test's) appends,
// one consumer (the pulling sink's worker) waits, counts and reads.
//
// Invariants, under FLock: FRead <= FWritten; FWritten - FRead <= the ring's size once Waiting has
// run (a producer that laps the reader drops the oldest bytes, and Waiting reports it once).
// Positions only grow, so a byte's place in the ring is its position modulo the size.
//
// Waiting, Read, Readable and WaitReadable belong to the consumer; Append, Fail and Wake may come
// from any thread. Nothing here calls out, so FLock is a leaf: taken last, never held across a call.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

class TCaptureRing {
public:
    explicit TCaptureRing(uint32_t bytes) : FRing(bytes) {}

    // Producer: keeps the bytes; a null data keeps as much silence (a hole in the stream).
    void Append(const void* data, size_t length);
    // The stream has failed for good: every wait ends, and Waiting answers false from now on.
    void Fail();
    // Ends the waits that began before it (those given an older Wakes count).
    void Wake();
    uint64_t Wakes();

    // Bytes written and not read yet. When the producer lapped the reader, the oldest bytes are
    // dropped and lapped is set. False once the stream has failed.
    bool Waiting(uint32_t& bytes, bool& lapped);
    // Copies bytes (at most Waiting's count) and moves the read position on.
    void Read(void* destination, uint32_t bytes);
    // Bytes wait, or the stream has failed: a read would not wait.
    bool Readable();
    // Waits until Readable, a Wake after wakesSeen, or timeoutMs pass.
    void WaitReadable(int timeoutMs, uint64_t wakesSeen);
    // Drops what waits: a new run on the same stream starts from now.
    void Discard();
    bool Failed();

private:
    bool ReadableLocked() const { return FWritten > FRead || FFailed; }

    std::mutex FLock; // guards everything below
    std::condition_variable FReadable;
    std::vector<uint8_t> FRing;
    uint64_t FWritten = 0; // bytes the producer delivered since the stream opened
    uint64_t FRead = 0;    // bytes the consumer took
    bool FFailed = false;
    uint64_t FWakes = 0;
};
