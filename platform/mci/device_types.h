#pragma once
// The device types the service offers, and how a file names its device.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/mci/device.h"
#include "platform/mci/media_engine.h"
#include "platform/mci/midi/midi_engine.h"

namespace stillmar::mci {

// What a device needs from the outside; tests put fakes in.
struct DeviceEnvironment {
    std::function<std::unique_ptr<MediaEngine>()> createEngine;
    std::function<ContentKind(const std::string&)> probe;
    // Null: a silent sequencer that keeps time on the wall clock.
    std::function<std::unique_ptr<midi::MidiEngine>()> createMidiEngine = nullptr;
};

struct OpenRequest {
    std::string path;  // empty: the device is opened without an element
    int32_t parent = 0;
    bool child = false;
};

using DeviceOpener = uint32_t (*)(const OpenRequest&, const DeviceEnvironment&,
                                  std::unique_ptr<Device>&);

struct DeviceType {
    std::string_view name;  // as written in replies and tables
    DeviceOpener open;      // null: the type is known but no driver is installed (263)
    // Whether its devices have `verb` in their command table; null: they have no table.
    bool (*answers)(std::string_view verb) = nullptr;
};

const DeviceType* findDeviceType(std::string_view name);
// Whether a device of some type answers `verb`: the verbs the service knows besides its own
// (open, close) are the rows of the device tables, and nothing else.
bool isDeviceVerb(std::string_view verb);
// The device registered for the file's extension, or null.
const DeviceType* deviceForExtension(std::string_view path);
// The device chosen from probed content, or null.
const DeviceType* deviceForContent(ContentKind kind);

// Openers of the device types (one file each).
uint32_t openMpegVideo(const OpenRequest& request, const DeviceEnvironment& env,
                       std::unique_ptr<Device>& out);
uint32_t openSequencer(const OpenRequest& request, const DeviceEnvironment& env,
                       std::unique_ptr<Device>& out);
uint32_t openCdAudio(const OpenRequest& request, const DeviceEnvironment& env,
                     std::unique_ptr<Device>& out);
// Their command tables' verbs.
bool mpegVideoVerb(std::string_view verb);
bool sequencerVerb(std::string_view verb);

}  // namespace stillmar::mci
