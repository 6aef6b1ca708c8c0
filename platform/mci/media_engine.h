#pragma once
// The media engine behind the MPEGVideo device: one opened file, decoded and presented.
//
// The device (command strings, time formats, aliases) lives above this interface; the engine
// knows nothing of commands. The service makes its calls from the command thread, one at a
// time; the FFmpeg engine also takes its commands from several threads at once, as long as
// open() and the destructor overlap no other call. The engine runs its own demux/decode/present
// threads and never blocks the caller longer than one exact seek needs.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/mci/media_time.h"
#include "platform/mci/video_surface.h"

namespace stillmar::mci {

enum class EngineStatus {
    Ok,
    FileNotFound,  // no such file (275)
    Unsupported,   // not a playable media file, corrupt (296)
    Io,            // read error, deadline passed (348 / 296)
};

enum class EngineMode { Stopped, Playing, Paused, Seeking };

struct MediaInfo {
    bool hasVideo = false;
    bool hasAudio = false;
    Size videoSize;              // the video's own display size, 0x0 without video
    int64_t lengthMs = 0;        // counted from the first stream's start
    int32_t frameRateMilli = 0;  // the nominal rate, read through frameRate()
    int64_t frameCount = 0;      // length in frames (0 without video)

    FrameRate frameRate() const { return FrameRate{frameRateMilli}; }
};

// Playback speed in thousandths of the normal speed.
inline constexpr int32_t kNormalSpeed = 1000;

class MediaEngine {
  public:
    virtual ~MediaEngine() = default;

    // Opens a local file (never a protocol: "concat:x" is a file of that name).
    virtual EngineStatus open(const std::string& path) = 0;
    virtual MediaInfo info() const = 0;

    // Where frames go; may be null (frames are then kept but not shown anywhere).
    // After the surface's target size changes, refresh() presents the current frame again.
    virtual void setSurface(VideoSurface* surface) = 0;
    virtual void refresh() = 0;

    virtual EngineMode mode() const = 0;
    virtual int64_t positionMs() const = 0;

    // Stops playback and presents the frame whose display time contains `ms` (clamped into
    // 0..length). Returns once that frame has been presented. Where the pictures up to `ms`
    // cannot be decoded (a damaged stretch), the nearest whole picture is presented instead
    // and the position becomes its time. Unsupported, with the position and picture left as
    // they were, when no picture can be decoded from `ms` to the end.
    virtual EngineStatus seek(int64_t ms) = 0;
    // Stops playback and presents the frame `frames` frames after the one shown (before it
    // when negative), in display order; at the first or last frame it stays there. Returns
    // once that frame has been presented; the mode is then Paused and the position inside
    // that frame, so that a seek to it shows the frame again. Does nothing without video.
    virtual void step(int64_t frames) = 0;
    // Plays from `fromMs` (or the current position when < 0) up to `toMs` (or the end when
    // < 0). Returns at once. At the end: mode Stopped, position at toMs / the length.
    virtual void play(int64_t fromMs, int64_t toMs) = 0;
    // Waits for playback to stop (end reached or stopped); false on timeout.
    virtual bool waitUntilStopped(std::chrono::milliseconds timeout) = 0;
    // Playing -> Paused. From Stopped it shows the current frame and reports Paused.
    virtual void pause() = 0;
    // Paused -> Playing; otherwise nothing.
    virtual void resume() = 0;
    // Stops without rewinding.
    virtual void stop() = 0;

    virtual void setSpeed(int32_t permille) = 0;  // kNormalSpeed = normal
    virtual int32_t speed() const = 0;
    virtual void setVolume(int32_t left, int32_t right) = 0;  // 0..1000 each
    virtual void setChannelsEnabled(bool left, bool right) = 0;

    // Writes the frame shown now, at the video's own size, as a 24-bit .bmp.
    virtual EngineStatus captureFrame(const std::string& bmpPath) = 0;
};

std::unique_ptr<MediaEngine> createMediaEngine();

// What a file holds, for choosing a device when no type is given.
enum class ContentKind { Missing, Unknown, Midi, Media };
ContentKind probeContent(const std::string& path);

}  // namespace stillmar::mci
