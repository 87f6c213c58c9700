#pragma once
// The player the windows use: an MP3 file source feeding the playback sink, with a position and
// a length in milliseconds. Main thread only.

#include "AudioOut.h"
#include "MP3In.h"

enum TMPTimeFormats { tfMilliseconds };

class TMediaPlayer : public TComponent {
public:
    // Without a platform, the sound server's default output.
    explicit TMediaPlayer(TComponent* AOwner = nullptr,
                          std::shared_ptr<TPlaybackPlatform> platform = nullptr);
    ~TMediaPlayer() override;

    const std::string& FileName() const { return FFileName; }
    // Stops and closes what was open; Open reads the new file.
    void SetFileName(const std::string& value);
    // Raises EAuException for a file that cannot be played.
    void Open();
    // From the current position; after Pause, goes on where it paused.
    void Play();
    void Pause();
    // Ends playback and rewinds to the start.
    void Stop();
    // What has been heard, in milliseconds; writing moves there (playback goes on if it was playing
    // and had not reached the end).
    int64_t Position();
    void SetPosition(int64_t ms);
    int64_t Length() const { return FLength; }
    int64_t Start() const { return 0; }
    TMPTimeFormats TimeFormat() const { return tfMilliseconds; }
    void SetTimeFormat(TMPTimeFormats) {}
    bool Playing() const { return FOut.Status() == tosPlaying; }
    // 0 … 1000.
    void SetVolume(int32_t value) { FOut.SetVolume(value); }
    int32_t Volume() const { return FOut.Volume(); }

private:
    void StartFrom(int64_t ms);
    void Halt();

    std::string FFileName;
    TMP3In FIn;
    TAudioOut FOut;
    int64_t FLength = 0;  // ms
    int64_t FRunFrom = 0; // ms where the current or last run started
    int64_t FHeld = 0;    // ms; the position while no run is under way
    bool FOpen = false;
    bool FRunning = false; // a run was started and has not been stopped by us
};
