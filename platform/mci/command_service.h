#pragma once
// The seam between the program and the multimedia command-string service.
//
// Every command the program sends goes through a CommandService. The application uses the
// real service (service.h); tests of callers substitute a recording stand-in.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace stillmar::mci {

class CommandService {
  public:
    virtual ~CommandService() = default;

    // Sends one command line. With no reply buffer (`reply` null or `replyLength` 0) the reply
    // is discarded and never makes error 268. `replyLength` counts the terminating NUL of the
    // caller's buffer, so at most replyLength - 1 characters fit; a longer reply is error 268
    // and leaves *reply empty.
    // *reply is emptied first and stays empty on any error.
    // Returns 0 on success or the error code (256 and up).
    virtual uint32_t sendString(std::string_view command, std::string* reply,
                                std::size_t replyLength, int32_t notifyWindow) = 0;

    // The error text of `code`. Returns false, leaving `text` untouched, for a code without
    // a text (0 included). `bufferLength` bounds the text as the caller's buffer would
    // (the text is cut to bufferLength - 1 characters).
    virtual bool getErrorString(uint32_t code, std::string& text, std::size_t bufferLength) = 0;
};

// The service the program's player objects use. Until something is installed it is the
// process-wide real service.
CommandService& defaultService();
// Replaces the default service (tests); nullptr restores the real one.
void setDefaultService(CommandService* service);
// Closes every device of the process-wide real service and ends the threads that would
// outlive them (a sound device kept for a next open, files kept warm for a reopen): the
// program calls it as it exits.
void shutdownDefaultService();

}  // namespace stillmar::mci
