// The MPEGVideo device's capture: the frame shown now, written as a bitmap file.
#include "platform/mci/mpeg_video_device.h"

namespace stillmar::mci {

uint32_t MpegVideoDevice::capture(const Args& args, std::string&) {
    if (!surface_) return err::kNoWindow;
    const std::string& path = args.text("as");
    if (path.empty()) return err::kUnnamedResource;
    return engine_->captureFrame(path) == EngineStatus::Ok ? err::kOk : err::kFileWrite;
}

}  // namespace stillmar::mci
