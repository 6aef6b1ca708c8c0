#include <optional>

#include "media/talve_player.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/text.h"

namespace stillmar {

namespace {

std::string wholeText(double value) {
    return std::to_string(rt::toInt64Saturated(value));
}

// Minutes and seconds. Minutes are kept in 64 bits, so lengths of 547 minutes and more
// read "MMM:SS" instead of overflowing. Below a minute the length and position forms use
// different patterns that agree from 0 to 59.
std::string minutesSeconds(int64_t seconds, bool lengthPattern) {
    if (seconds < 60) {
        return lengthPattern ? rt::formatPattern00Colon00(seconds)
                             : "00:" + rt::formatPattern00(seconds);
    }
    const int64_t minutes = seconds / 60;
    return rt::formatPattern00(minutes) + ":" + rt::formatPattern00(seconds - 60 * minutes);
}

// The strict reading of a position reply in milliseconds as whole seconds; 0 when the reply
// is not a plain number.
int64_t strictSeconds(std::string_view reply) {
    const std::optional<double> ms = rt::tryStrictNumber(reply);
    return ms ? rt::toInt64Saturated(*ms / 1000.0) : 0;
}

}  // namespace

std::string TALVEplayer::getStatusInfo(int32_t Info) {
    const std::string& alias = aliasName_;
    std::string buffer;
    switch (Info) {
        case PlayerStatus::LengthFrames:
            sendStatus("set " + alias + " time format frames", buffer);
            sendStatus("status " + alias + " length", buffer);
            break;
        case PlayerStatus::Mode:
            sendStatus("status " + alias + " mode", buffer);
            break;
        case PlayerStatus::PositionMs:
            send("set " + alias + " time format ms");
            sendStatus("status " + alias + " position", buffer);
            buffer = wholeText(rt::leadingNumber(buffer));
            break;
        case PlayerStatus::TimeFormat:
            sendStatus("status " + alias + " time format", buffer);
            break;
        case PlayerStatus::FrameRate:
            sendStatus("Status " + alias + " frame rate", buffer);
            break;
        case PlayerStatus::Speed:
            sendStatus("status " + alias + " speed ", buffer);
            buffer = rt::numberText(rt::leadingNumber(buffer) / 10.0);
            break;
        case PlayerStatus::WindowHandle:
            sendStatus("status " + alias + " window handle", buffer);
            break;
        case PlayerStatus::LengthSeconds:
            SetTimeFormat(PlayerTimeFormat::Milliseconds);
            sendStatus("status " + alias + " length", buffer);
            buffer = wholeText(rt::leadingNumber(buffer) / 1000.0);
            break;
        default:
            return {};
    }
    return getString(buffer);
}

void TALVEplayer::SetTimeFormat(int32_t fm_Time) {
    switch (fm_Time) {
        case PlayerTimeFormat::Milliseconds:
            send("set " + aliasName_ + " time format ms wait");
            break;
        case PlayerTimeFormat::Tmsf:
            send("set " + aliasName_ + " time format tmsf wait");
            break;
        case PlayerTimeFormat::Frames:
            send("set " + aliasName_ + " time format frames wait");
            break;
        default:
            break;
    }
}

std::string TALVEplayer::LENGTHFORMAT(int32_t sFormat) {
    const std::string& alias = aliasName_;
    std::string buffer;
    send("set " + alias + " time format milliseconds");
    switch (sFormat) {
        case TimeText::Seconds:
        case TimeText::MinutesSeconds: {
            sendStatus("status " + alias + " length", buffer);
            const int64_t seconds = rt::toInt64Saturated(rt::leadingNumber(buffer) / 1000.0);
            buffer = sFormat == TimeText::Seconds ? std::to_string(seconds)
                                                  : minutesSeconds(seconds, true);
            break;
        }
        case TimeText::DeviceUnits:
            buffer = sendField("status " + alias + " length");
            break;
        default:
            break;
    }
    return getString(buffer);
}

std::string TALVEplayer::POSFORMAT(int32_t sPFormat) {
    const std::string& alias = aliasName_;
    std::string buffer;
    switch (sPFormat) {
        case TimeText::Seconds:
            // The tmsf request's outcome is not checked: the reply is read as milliseconds.
            send("set " + alias + " time format tmsf ");
            sendStatus("status " + alias + " position", buffer);
            buffer = std::to_string(strictSeconds(getString(buffer)));
            break;
        case TimeText::MinutesSeconds:
            send("set " + alias + " time format milliseconds");
            sendStatus("status " + alias + " position", buffer);
            buffer = minutesSeconds(strictSeconds(buffer.substr(0, buffer.find('\0'))), false);
            break;
        case TimeText::DeviceUnits:
            sendStatus("status " + alias + " position", buffer);
            break;
        default:
            break;
    }
    return getString(buffer);
}

std::string TALVEplayer::FormatRemain() {
    const double position = rt::leadingNumber(POSFORMAT(TimeText::Seconds));
    const double length = rt::leadingNumber(LENGTHFORMAT(TimeText::Seconds));
    const int64_t total = rt::toInt64Saturated(length - position);
    const int64_t hours = total / 3600;
    const int64_t rest = total % 3600;
    const int64_t minutes = rest / 60;
    const int64_t seconds = rest % 60;

    std::string text;
    if (hours >= 1) {
        // An hour or more reads H:MM:SS.
        text = std::to_string(hours) + ":" + rt::formatPattern00(minutes);
    } else {
        text = rt::formatPattern00(minutes < 1 ? 0 : minutes);
    }
    text += ":";
    if (seconds >= 10) {
        text += std::to_string(seconds);
    } else if (seconds < 1) {
        text += "00";
    } else {
        text += '0';
        text += std::to_string(seconds);
    }
    return text;
}

}  // namespace stillmar
