// stillmar-mci: a shell for the command-string service. Reads one command a line from standard
// input and prints, for each, the result code, a tab, and the reply (or the error text).
#include <iostream>
#include <string>

#include "platform/mci/command_service.h"

int main() {
    auto& service = stillmar::mci::defaultService();
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string reply;
        const uint32_t code = service.sendString(line, &reply, 4096, 0);
        std::string text = reply;
        if (code != 0 && !service.getErrorString(code, text, 4096)) text.clear();
        std::cout << code << '\t' << text << std::endl;
    }
    stillmar::mci::shutdownDefaultService();
    return 0;
}
