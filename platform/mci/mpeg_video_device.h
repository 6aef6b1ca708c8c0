#pragma once
// The MPEGVideo device: command strings on top of a MediaEngine and a video surface.

#include <memory>
#include <span>
#include <string>

#include "platform/mci/media_engine.h"
#include "platform/mci/playback_device.h"
#include "platform/mci/video_surface.h"

namespace stillmar::mci {

class MpegVideoDevice final : public PlaybackDevice<MediaEngine> {
  public:
    enum class TimeFormat { Milliseconds, Frames };

    // `engine` is null for a device opened without a file; `surface` is null without video.
    MpegVideoDevice(std::unique_ptr<MediaEngine> engine, std::unique_ptr<VideoSurface> surface);
    ~MpegVideoDevice() override;

    uint32_t execute(std::string_view verb, std::span<const Token> rest,
                     std::string& reply) override;

    // The command table: a row per verb, which is all the service needs to know of a verb.
    static std::span<const CommandRow<MpegVideoDevice>> commands();

    // Handlers, one per verb (rows of the command table).
    // (pause, resume, stop, seek and setaudio come from PlaybackDevice.)
    uint32_t play(const Args& args, std::string& reply);        // mpeg_video_transport.cpp
    uint32_t step(const Args& args, std::string& reply);        // mpeg_video_transport.cpp
    uint32_t set(const Args& args, std::string& reply);         // mpeg_video_transport.cpp
    uint32_t status(const Args& args, std::string& reply);      // mpeg_video_status.cpp
    uint32_t capability(const Args& args, std::string& reply);  // mpeg_video_status.cpp
    uint32_t put(const Args& args, std::string& reply);         // mpeg_video_window.cpp
    uint32_t where(const Args& args, std::string& reply);       // mpeg_video_window.cpp
    uint32_t window(const Args& args, std::string& reply);      // mpeg_video_window.cpp
    uint32_t capture(const Args& args, std::string& reply);     // mpeg_video_capture.cpp

    // Status items (rows of the status table).
    uint32_t statusLength(std::string& out) const;
    uint32_t statusPosition(std::string& out) const;
    uint32_t statusMode(std::string& out) const;
    uint32_t statusTimeFormat(std::string& out) const;
    uint32_t statusFrameRate(std::string& out) const;
    uint32_t statusSpeed(std::string& out) const;
    uint32_t statusWindowHandle(std::string& out) const;
    uint32_t statusReady(std::string& out) const;
    uint32_t statusStartPosition(std::string& out) const;
    uint32_t statusWindowVisible(std::string& out) const;

    // The item tables of status and capability (defined beside their handlers).
    static std::span<const KeywordSpec> statusKeywords();
    static std::span<const KeywordSpec> capabilityKeywords();

  protected:
    uint32_t timeArg(const Args& args, std::string_view keyword, int64_t& ms) const override;
    int64_t lengthMs() const override { return info_.lengthMs; }

  private:
    int64_t toFormat(int64_t ms) const;
    int64_t fromFormat(int64_t value) const;
    int64_t lengthInFormat() const;
    void placeWindow(Rect r);

    // The destructor releases the engine before the surface it draws into.
    std::unique_ptr<VideoSurface> surface_;
    MediaInfo info_;
    TimeFormat format_ = TimeFormat::Milliseconds;
    bool destinationSet_ = false;
};

}  // namespace stillmar::mci
