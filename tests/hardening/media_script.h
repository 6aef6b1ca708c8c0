#pragma once
// One pass of the media path over a file given as bytes: the file is written to disk and the
// service is driven through open, status, seek, play, pause, capture and close, as the player
// does. Shared by the fuzz target and the test that replays kept inputs.
//
// Input layout: byte 0 picks the file's extension (so the extension table and the content
// probe both get explored), byte 1 the seek target as a fraction of the length, the rest is
// the file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/mci/command_service.h"

namespace stillmar::hardening {

struct ScriptOutcome {
    uint32_t openCode = 0;
    std::vector<uint32_t> codes;  // every command's code, the open's first
    // A rule of the service broken: a code outside 256..511, a reply left after an error, or
    // an error code without a text.
    bool broken = false;
    std::string brokenCommand;
};

// `folder` is a writable folder the file and the capture land in.
ScriptOutcome runMediaScript(mci::CommandService& service, const uint8_t* data, std::size_t size,
                             const std::string& folder);

}  // namespace stillmar::hardening
