#include "tests/hardening/media_script.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string_view>

namespace stillmar::hardening {
namespace {

constexpr std::array<std::string_view, 8> kExtensions = {".mpg", ".mp4", ".avi", ".webm",
                                                         ".wav", ".mid", ".mkv", ""};

struct Driver {
    mci::CommandService& service;
    ScriptOutcome& out;

    uint32_t send(const std::string& command, std::string* reply = nullptr) {
        std::string local;
        std::string& r = reply ? *reply : local;
        r = "junk";
        const uint32_t code = service.sendString(command, &r, 256, 0);
        out.codes.push_back(code);
        std::string text;
        const bool rule = code == 0 || (code >= 256 && code <= 511 && r.empty() &&
                                        service.getErrorString(code, text, 128));
        if (!rule && !out.broken) {
            out.broken = true;
            out.brokenCommand = command;
        }
        return code;
    }
};

}  // namespace

ScriptOutcome runMediaScript(mci::CommandService& service, const uint8_t* data, std::size_t size,
                             const std::string& folder) {
    ScriptOutcome out;
    if (size < 2) return out;
    const std::string path =
        folder + "/input" + std::string(kExtensions[data[0] % kExtensions.size()]);
    const int seekPermille = data[1] * 1000 / 255;
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data + 2), std::streamsize(size - 2));
    }
    Driver d{service, out};
    out.openCode = d.send("open \"" + path + "\" alias fz parent 0 style child wait");
    if (out.openCode != 0) return out;

    std::string length;
    d.send("set fz time format ms");
    d.send("status fz length", &length);
    for (const char* item : {"mode", "position", "frame rate", "window handle", "ready"})
        d.send(std::string("status fz ") + item);
    int64_t lengthMs = 0;
    if (!length.empty() &&
        std::all_of(length.begin(), length.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        length.size() < 12)
        lengthMs = std::stoll(length);
    d.send("seek fz to " + std::to_string(lengthMs * seekPermille / 1000) + " wait");
    d.send("capture fz as \"" + folder + "/frame.bmp\"");
    d.send("set fz time format frames");
    d.send("status fz position");
    d.send("seek fz to end wait");
    d.send("play fz from 0");
    d.send("pause fz wait");
    d.send("status fz mode");
    d.send("capture fz as \"" + folder + "/frame.bmp\"");
    d.send("stop fz");
    d.send("close fz");
    return out;
}

}  // namespace stillmar::hardening
