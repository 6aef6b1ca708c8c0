#include "platform/mci/command_service.h"

// Placeholder until the real service lands: every command answers "not open".
namespace stillmar::mci {
namespace {
class NotOpenService final : public CommandService {
public:
    uint32_t sendString(std::string_view, std::string* reply, std::size_t, int32_t) override {
        if (reply) reply->clear();
        return 263;
    }
    bool getErrorString(uint32_t, std::string&, std::size_t) override { return false; }
};
CommandService* g_installed = nullptr;
}  // namespace

CommandService& defaultService() {
    static NotOpenService service;
    return g_installed ? *g_installed : service;
}
void setDefaultService(CommandService* service) { g_installed = service; }
}  // namespace stillmar::mci
