#include "media/talve_player.h"
#include "platform/runtime/numbers.h"
#include "platform/system/window_query.h"

namespace stillmar {

std::string TALVEplayer::place(std::string_view alias, int32_t lngHWnd, int32_t lngLeft,
                               int32_t lngTop, int32_t& lngWidth, int32_t& lngHeight,
                               int32_t margin) {
    if (lngWidth == 0 || lngHeight == 0) {
        // An unknown window reads as an empty rectangle.
        sys::WindowRect rect;
        if (!sys::getWindowRect(lngHWnd, rect)) rect = sys::WindowRect{};
        lngWidth = rt::sub32(rect.right, rect.left);
        lngHeight = rt::sub32(rect.bottom, rect.top);
    }
    const int32_t twice = rt::mul32(2, margin);
    std::string command = "put ";
    command += alias;
    command += " window at " + std::to_string(rt::add32(lngLeft, margin)) + " " +
               std::to_string(rt::add32(lngTop, margin)) + " " +
               std::to_string(rt::sub32(lngWidth, twice)) + " " +
               std::to_string(rt::sub32(lngHeight, twice));
    const uint32_t code = send(command);
    lastPutResult_ = static_cast<int32_t>(code);
    return code != 0 ? errorText(code) : "Success";
}

std::string TALVEplayer::MoveVideoTo(int32_t lngHWnd, int32_t lngLeft, int32_t lngTop,
                                     int32_t& lngWidth, int32_t& lngHeight, int32_t margin) {
    return place(aliasName_, lngHWnd, lngLeft, lngTop, lngWidth, lngHeight, margin);
}

std::string TALVEplayer::PutVideoCapture(int32_t lngHWnd, int32_t lngLeft, int32_t lngTop,
                                         int32_t& lngWidth, int32_t& lngHeight) {
    return place("VideoCapture", lngHWnd, lngLeft, lngTop, lngWidth, lngHeight, 0);
}

void TALVEplayer::OpenCapture(int32_t lngHWnd, int32_t where, std::string_view /*sName*/,
                              int32_t lngLeft, int32_t lngTop, int32_t lngWidth,
                              int32_t lngHeight) {
    aliasName_ = "VideoCapture";
    send("close VideoCapture");
    send("stop VideoCapture");
    const std::string type = DeviceType();
    OpenMediaFile(lngHWnd, "VideoCapture", type);
    sendField("set VideoCapture time format ms");
    send("set VideoCapture audio all off");
    send("window VideoCapture state hide");
    send("seek VideoCapture to " + std::to_string(rt::mul32(where, 1000)));
    send("window VideoCapture state show");
    MoveVideoTo(lngHWnd, lngLeft, lngTop, lngWidth, lngHeight, 0);
}

std::string TALVEplayer::CaptureFrame(std::string_view bmpPath) {
    std::string command = "capture " + aliasName_ + " as \"";
    command += bmpPath;
    command += '"';
    const uint32_t code = send(command);
    return code != 0 ? errorText(code) : "Success";
}

int32_t TALVEplayer::GetHwndDesktop() {
    try {
        return sys::findWindow("Program Manager");
    } catch (...) {
        return 0;
    }
}

}  // namespace stillmar
