#pragma once
// Passes of the media path over a file given as bytes, shared by the fuzz target and the test
// that replays kept inputs. runSourceScript reads the bytes from memory and drives the
// engine's source directly: exact seeks, frames in order, sound packets decoded. runMediaScript
// writes them to disk and drives the service through open, status, seek, play, pause, capture
// and close, as the player does.
//
// Input layout: byte 0 picks the file's extension (so the extension table and the content
// probe both get explored), byte 1 the seek target as a fraction of the length, the rest is
// the file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/mci/command_service.h"
#include "platform/mci/media_engine.h"

namespace stillmar::hardening {

struct ScriptOutcome {
    uint32_t openCode = 0;
    std::vector<uint32_t> codes;  // every command's code, the open's first
    // A rule of the service broken: a code outside 256..511, a reply left after an error, or
    // an error code without a text.
    bool broken = false;
    std::string brokenCommand;
};

struct SourceOutcome {
    bool opened = false;
    mci::MediaInfo info;
    int frames = 0;        // video frames decoded
    int soundPackets = 0;  // sound packets read
};

SourceOutcome runSourceScript(const uint8_t* data, std::size_t size);

// Whether the fuzz target also sends this input through the service, given what the source
// made of it: one file it refused in 16; one it took in 32, and for pictures over two million
// pixels, fewer in proportion (the service converts and saves the whole picture twice, about
// a second each time for 44 million pixels), so that no input costs the service more on
// average than a small one does. Chosen by the whole input, not by a byte of it, so that the inputs
// sent are no likelier to have their mutations sent too.
bool throughTheService(const uint8_t* data, std::size_t size, const SourceOutcome& source);

// `folder` is a writable folder the file and the capture land in.
ScriptOutcome runMediaScript(mci::CommandService& service, const uint8_t* data, std::size_t size,
                             const std::string& folder);

}  // namespace stillmar::hardening
