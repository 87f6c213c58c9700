#pragma once
// The playback sink: plays what it pulls through the sound server's default output.

#include "AuPipeline.h"
#include "PlaybackPlatform.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

class TAudioOut : public TAuOutput {
public:
    static constexpr uint32_t LatencyMs = 150;    // what the server buffers ahead
    static constexpr uint32_t ChunkBytes = 16384; // the most pulled at once

    // Without a platform, the sound server's default output.
    explicit TAudioOut(TComponent* AOwner = nullptr, std::shared_ptr<TPlaybackPlatform> platform = nullptr);
    ~TAudioOut() override;

    // 0 (silent) … 1000 (as pulled), a linear gain; any thread, heard within LatencyMs.
    int32_t Volume() const { return FVolume; }
    void SetVolume(int32_t value);
    // Milliseconds of the current (or last) run heard so far; main thread.
    int64_t PositionMs();

protected:
    void DoPrepare() override;
    bool DoChunk(bool Abort) override;
    void DoFinish() override;
    void DoPause() override;
    void DoResume() override;

private:
    bool Drain();
    void ApplyVolume(uint8_t* data, uint32_t bytes) const;

    const std::shared_ptr<TPlaybackPlatform> FPlatform;
    // The main thread's copy of the open stream, to cork it and read the position.
    std::shared_ptr<TPlaybackStream> Stream();

    // The open stream: the worker sets and clears it under FStreamLock; the main thread copies it
    // under the lock. A leaf lock, never held while calling the stream.
    std::mutex FStreamLock;
    std::shared_ptr<TPlaybackStream> FStream;
    std::atomic<int32_t> FVolume{1000}; // any thread writes, W reads
    std::atomic<int64_t> FHeardMs{0};   // W resets, M updates and reads
    // Worker only, during a run:
    std::vector<uint8_t> FPending; // pulled, not yet written (at most one partial frame between chunks)
    uint32_t FFrameBytes = 0, FBitsPerSample = 0;
    bool FDraining = false;
    std::chrono::steady_clock::time_point FDrainDeadline;
};
