#pragma once
// The command-string service: parses a command line, keeps the open devices by alias and id,
// and hands each command to its device.

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/mci/command_service.h"
#include "platform/mci/device_types.h"

namespace stillmar::mci {

class Service final : public CommandService {
  public:
    explicit Service(DeviceEnvironment env);
    ~Service() override;

    uint32_t sendString(std::string_view command, std::string* reply, std::size_t replyLength,
                        int32_t notifyWindow) override;
    bool getErrorString(uint32_t code, std::string& text, std::size_t bufferLength) override;

  private:
    struct Entry {
        uint32_t id = 0;
        std::string alias;
        std::unique_ptr<Device> device;
    };

    // `capacity`: how many characters the caller's buffer takes.
    uint32_t execute(std::string_view command, std::string& reply, std::size_t capacity);
    uint32_t open(std::span<const Token> tokens, std::string& reply, std::size_t capacity);
    uint32_t close(const Token& device, std::span<const Token> rest);
    uint32_t toAll(std::string_view verb, std::span<const Token> rest);
    Entry* find(std::string_view alias);
    uint32_t freeId() const;

    DeviceEnvironment env_;
    std::mutex mutex_;
    std::vector<Entry> devices_;
};

}  // namespace stillmar::mci
