#pragma once
// TALVEplayer: one device alias of the command-string service. Every member builds its
// commands as text, sends them through a CommandService and reads the text replies.
// Result codes are ignored except where a member returns "Success" or the error text.
// Members run on the calling thread and block until the service answers.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/mci/command_service.h"

namespace stillmar {

// What setCommand does. Every code first sends the shareable CD-audio open, which opens a
// device under the alias only when the alias is free; 2 and unknown codes send nothing more.
namespace PlayerCommand {
inline constexpr int32_t OpenDoor = 0;
inline constexpr int32_t CloseDoor = 1;
inline constexpr int32_t Stop = 3;
inline constexpr int32_t Play = 4;
inline constexpr int32_t SeekAndPlay = 5;  // nValue: the position in milliseconds
inline constexpr int32_t SetSpeed = 6;     // nValue: per thousand of normal speed
inline constexpr int32_t Close = 7;
inline constexpr int32_t Pause = 8;  // returns once the device holds its frame
inline constexpr int32_t Resume = 9;
}  // namespace PlayerCommand

// What getStatusInfo asks the device; unknown codes send nothing and give "".
namespace PlayerStatus {
inline constexpr int32_t LengthFrames = 1;  // leaves the device counting in frames
inline constexpr int32_t Mode = 2;          // "playing", "paused", "stopped", ...
inline constexpr int32_t PositionMs = 3;    // leaves the device in milliseconds
inline constexpr int32_t TimeFormat = 4;
inline constexpr int32_t FrameRate = 5;
inline constexpr int32_t Speed = 6;  // the device's speed / 10
inline constexpr int32_t WindowHandle = 7;
inline constexpr int32_t LengthSeconds = 8;  // leaves the device in milliseconds
}  // namespace PlayerStatus

// How LENGTHFORMAT and POSFORMAT write a time.
namespace TimeText {
inline constexpr int32_t Seconds = 0;         // whole seconds: "125"
inline constexpr int32_t MinutesSeconds = 1;  // "02:05", "125:00"
inline constexpr int32_t DeviceUnits = 2;     // the reply as the device wrote it
}  // namespace TimeText

// The time formats of SetTimeFormat.
namespace PlayerTimeFormat {
inline constexpr int32_t Milliseconds = 0;
inline constexpr int32_t Tmsf = 1;
inline constexpr int32_t Frames = 2;
}  // namespace PlayerTimeFormat

// The channels of SetVolumeState and SetAudioState.
namespace PlayerChannel {
inline constexpr int32_t Right = 0;
inline constexpr int32_t Left = 1;
inline constexpr int32_t Both = 2;
}  // namespace PlayerChannel

class TALVEplayer {
  public:
    explicit TALVEplayer(mci::CommandService& service = mci::defaultService());

    // Object state.
    const std::string& AliasName() const { return aliasName_; }
    void setAliasName(std::string new_AliasName) { aliasName_ = std::move(new_AliasName); }
    // The short form of the stored path (empty when the file does not exist).
    std::string Filename() const;
    void setFilename(std::string xFile) { filename_ = std::move(xFile); }
    int32_t hwndParent() const { return hwndParent_; }
    void setHwndParent(int32_t new_HwndParent) { hwndParent_ = new_HwndParent; }
    int32_t LastPutResult() const { return lastPutResult_; }

    // "MPEGVideo", "Sequencer" or empty, from the extension of the short path.
    std::string DeviceType() const;
    // The text before the first NUL, trailing spaces removed.
    static std::string getString(std::string_view str);

    // Opening and closing.
    std::string OpenMediaFile(int32_t lngHWnd, std::string_view aliasName,
                              std::string_view typeDevice);
    void CloseCapture();

    // Status queries and time formats.
    std::string getStatusInfo(int32_t Info);
    void SetTimeFormat(int32_t fm_Time);
    std::string LENGTHFORMAT(int32_t sFormat);
    std::string POSFORMAT(int32_t sPFormat);
    std::string FormatRemain();

    // Transport. Values of seconds x 1000 beyond 32 bits raise rt::RuntimeError 6.
    void PlayMEDIAFILE(int32_t where = 0);
    void setCommand(int32_t Cmd, std::string_view sDrive = {}, int32_t nValue = 0);
    void SetVolumeState(int32_t st_Vol, int32_t new_Vol);
    void SetAudioState(int32_t stChan, int32_t st_pos);
    void FForward(int32_t nValue);
    void FRewind(int32_t nValue);
    // Shows the frame nFrames frames after the one shown (before it when negative) and holds
    // it; the device stays at the first or last frame.
    void StepFrames(int32_t nFrames);

    // Video window placement and the still-frame device.
    std::string MoveVideoTo(int32_t lngHWnd, int32_t lngLeft, int32_t lngTop, int32_t& lngWidth,
                            int32_t& lngHeight, int32_t margin = 0);
    std::string PutVideoCapture(int32_t lngHWnd, int32_t lngLeft, int32_t lngTop, int32_t& lngWidth,
                                int32_t& lngHeight);
    void OpenCapture(int32_t lngHWnd, int32_t where, std::string_view sName, int32_t lngLeft,
                     int32_t lngTop, int32_t lngWidth, int32_t lngHeight);
    int32_t GetHwndDesktop();
    // Writes the frame the device shows, at the video's own size, as a .bmp file; "Success" or
    // the service's error text.
    std::string CaptureFrame(std::string_view bmpPath);

    static constexpr std::size_t kOpenFieldLength = 255;
    static constexpr std::size_t kStatusBufferLength = 256;
    static constexpr std::size_t kFieldLength = 128;
    static constexpr int32_t kChildStyle = 1073741824;

  private:
    uint32_t send(std::string_view command);
    // Sends with the 256-character status buffer; `buffer` receives the reply.
    uint32_t sendStatus(std::string_view command, std::string& buffer);
    // Sends with a 128-character field; returns the reply.
    std::string sendField(std::string_view command);
    std::string errorText(uint32_t code);
    // The position in milliseconds, then the millisecond format set again.
    int32_t positionForJump();
    std::string place(std::string_view alias, int32_t lngHWnd, int32_t lngLeft, int32_t lngTop,
                      int32_t& lngWidth, int32_t& lngHeight, int32_t margin);

    mci::CommandService& service_;
    std::string aliasName_;
    int32_t lastPutResult_ = 0;
    std::string filename_;
    int32_t hwndParent_ = 0;
};

}  // namespace stillmar
