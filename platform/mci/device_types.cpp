#include "platform/mci/device_types.h"

#include <array>

namespace stillmar::mci {
namespace {

constexpr std::array<DeviceType, 3> kDeviceTypes = {{
    {"MPEGVideo", &openMpegVideo, &mpegVideoVerb},
    {"Sequencer", &openSequencer, &sequencerVerb},
    {"cdaudio", &openCdAudio, nullptr},
}};

struct ExtensionRow {
    std::string_view extension;
    std::string_view device;
};

constexpr std::array<ExtensionRow, 28> kExtensions = {{
    {"aif", "MPEGVideo"},  {"aifc", "MPEGVideo"}, {"asx", "MPEGVideo"}, {"au", "MPEGVideo"},
    {"avi", "MPEGVideo"},  {"dat", "MPEGVideo"},  {"enc", "MPEGVideo"}, {"m1v", "MPEGVideo"},
    {"mov", "MPEGVideo"},  {"mp2", "MPEGVideo"},  {"mpa", "MPEGVideo"}, {"mpe", "MPEGVideo"},
    {"mpeg", "MPEGVideo"}, {"mpg", "MPEGVideo"},  {"mpm", "MPEGVideo"}, {"mpv", "MPEGVideo"},
    {"mpv2", "MPEGVideo"}, {"qt", "MPEGVideo"},   {"vob", "MPEGVideo"}, {"wav", "MPEGVideo"},
    {"wax", "MPEGVideo"},  {"wma", "MPEGVideo"},  {"wmp", "MPEGVideo"}, {"wmv", "MPEGVideo"},
    {"wmx", "MPEGVideo"},  {"mid", "Sequencer"},  {"rmi", "Sequencer"}, {"cda", "cdaudio"},
}};

}  // namespace

const DeviceType* findDeviceType(std::string_view name) {
    for (const DeviceType& type : kDeviceTypes) {
        if (equalsNoCase(type.name, name)) return &type;
    }
    return nullptr;
}

bool isDeviceVerb(std::string_view verb) {
    for (const DeviceType& type : kDeviceTypes) {
        if (type.answers && type.answers(verb)) return true;
    }
    return false;
}

const DeviceType* deviceForExtension(std::string_view path) {
    const auto slash = path.rfind('/');
    const std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = base.rfind('.');
    if (dot == std::string_view::npos) return nullptr;
    const std::string_view extension = base.substr(dot + 1);
    for (const ExtensionRow& row : kExtensions) {
        if (equalsNoCase(row.extension, extension)) return findDeviceType(row.device);
    }
    return nullptr;
}

const DeviceType* deviceForContent(ContentKind kind) {
    switch (kind) {
        case ContentKind::Media:
            return findDeviceType("MPEGVideo");
        case ContentKind::Midi:
            return findDeviceType("Sequencer");
        case ContentKind::Missing:
        case ContentKind::Unknown:
            break;
    }
    return nullptr;
}

uint32_t openCdAudio(const OpenRequest&, const DeviceEnvironment&, std::unique_ptr<Device>&) {
    // This machine has no CD drive.
    return err::kCannotLoadDriver;
}

}  // namespace stillmar::mci
