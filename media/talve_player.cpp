#include "media/talve_player.h"

#include <array>
#include <cctype>

#include "platform/system/short_path.h"

namespace stillmar {

namespace {

constexpr std::array<std::string_view, 26> kMpegVideoExtensions = {
    "AIF", "AIFC", "ASX", "AU",   "AVI", "DAT", "ENC", "M1V", "MOV", "MP2", "MPA", "MPE", "MPEG",
    "MPG", "MPM",  "MPV", "MPV2", "QT",  "RMI", "VOB", "WAV", "WAX", "WMA", "WMP", "WMV", "WMX"};

// Text after the last "." anywhere in the path, folders included.
std::string fileExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot + 1 >= path.size()) return {};
    return path.substr(dot + 1);
}

// The open command travels in a fixed field: padded with spaces, or cut, to 255 characters.
// A cut never splits a multi-byte character; its bytes become padding instead.
std::string toOpenField(std::string command) {
    constexpr std::size_t n = TALVEplayer::kOpenFieldLength;
    if (command.size() > n) {
        std::size_t cut = n;
        while (cut > 0 && (static_cast<unsigned char>(command[cut]) & 0xC0) == 0x80) --cut;
        command.resize(cut);
    }
    command.resize(n, ' ');
    return command;
}

}  // namespace

TALVEplayer::TALVEplayer(mci::CommandService& service) : service_(service) {
    if (aliasName_.empty()) aliasName_ = "MYPLAYER";
}

std::string TALVEplayer::Filename() const {
    return sys::shortPathName(filename_);
}

std::string TALVEplayer::DeviceType() const {
    std::string ext = fileExtension(Filename());
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext == "MID") return "Sequencer";
    for (const std::string_view known : kMpegVideoExtensions) {
        if (ext == known) return "MPEGVideo";
    }
    return {};
}

std::string TALVEplayer::getString(std::string_view str) {
    std::string_view text = str.substr(0, str.find('\0'));
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

uint32_t TALVEplayer::send(std::string_view command) {
    return service_.sendString(command, nullptr, 0, 0);
}

uint32_t TALVEplayer::sendStatus(std::string_view command, std::string& buffer) {
    return service_.sendString(command, &buffer, kStatusBufferLength, 0);
}

std::string TALVEplayer::sendField(std::string_view command) {
    std::string field;
    service_.sendString(command, &field, kFieldLength, 0);
    return field;
}

std::string TALVEplayer::errorText(uint32_t code) {
    std::string text;
    if (!service_.getErrorString(code, text, kFieldLength)) return {};
    return getString(text);
}

std::string TALVEplayer::OpenMediaFile(int32_t lngHWnd, std::string_view aliasName,
                                       std::string_view typeDevice) {
    std::string command = "open " + Filename() + " type ";
    command += typeDevice;
    command += " Alias ";
    command += aliasName;
    command += " parent " + std::to_string(lngHWnd) + " Style " + std::to_string(kChildStyle);
    const uint32_t code = send(toOpenField(std::move(command)));
    // Leaves the device in milliseconds, which the seeks that follow an open rely on.
    LENGTHFORMAT(TimeText::Seconds);
    return code != 0 ? errorText(code) : "Success";
}

void TALVEplayer::CloseCapture() {
    send("close VideoCapture");
}

}  // namespace stillmar
