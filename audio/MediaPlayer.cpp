#include "MediaPlayer.h"

TMediaPlayer::TMediaPlayer(TComponent* AOwner, std::shared_ptr<TPlaybackPlatform> platform)
    : TComponent(AOwner), FOut(nullptr, std::move(platform)) {
    FOut.SetInput(&FIn);
}

TMediaPlayer::~TMediaPlayer() { FOut.Stop(false); }

void TMediaPlayer::SetFileName(const std::string& value) {
    Halt();
    FIn.SetFileName(""); // closes the file the last one held
    FFileName = value;
    FOpen = false;
    FLength = 0;
    FHeld = 0;
}

void TMediaPlayer::Open() {
    Halt();
    FIn.SetFileName(FFileName);
    if (FFileName.empty() || !FIn.Valid()) {
        FIn.SetFileName("");
        throw EAuException("The file cannot be played: " + FFileName);
    }
    FLength = FIn.Duration() * 10;
    FOpen = true;
    FHeld = 0;
}

void TMediaPlayer::Halt() {
    if (FOut.Status() != tosIdle) {
        FHeld = Position();
        FOut.Stop(false);
    }
    FRunning = false;
}

void TMediaPlayer::StartFrom(int64_t ms) {
    if (!FOpen) throw EAuException("No file is open");
    const int64_t at = std::clamp<int64_t>(ms, 0, FLength);
    FIn.Seek(at * FIn.SampleRate() / 1000);
    FRunFrom = at;
    FOut.Run();
    FRunning = true;
}

void TMediaPlayer::Play() {
    if (FOut.Status() == tosPaused) {
        FOut.Resume();
        return;
    }
    if (FOut.Status() == tosPlaying) return;
    StartFrom(Position() >= FLength ? 0 : Position());
}

void TMediaPlayer::Pause() { FOut.Pause(); }

void TMediaPlayer::Stop() {
    Halt();
    FHeld = 0;
}

int64_t TMediaPlayer::Position() {
    if (!FRunning) return FHeld;
    // A run that reached the end of the file has played all of it.
    if (FOut.Status() == tosIdle && FOut.ExceptionMessage().empty()) return FLength;
    return std::min(FRunFrom + FOut.PositionMs(), FLength);
}

void TMediaPlayer::SetPosition(int64_t ms) {
    // A run that has played the whole file (its last buffer still draining) has ended, as at a stop.
    const bool playing = FOut.Status() == tosPlaying && Position() < FLength;
    Halt();
    FHeld = std::clamp<int64_t>(ms, 0, FLength);
    if (playing) StartFrom(FHeld);
}
