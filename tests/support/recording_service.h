#pragma once
// A command service for tests: keeps every command exactly as sent and answers from a script.
//
//   RecordingService svc;
//   svc.answer("status MYPLAYER length", 0, "2500");   // every command starting with this
//   svc.queue(263, "");                                 // the next command, whatever it is
//   TALVEplayer player(svc);
//   ...
//   EXPECT_EQ(svc.texts(), (std::vector<std::string>{"stop MYPLAYER", ...}));
//
// Answers come first from the queue (in order, one per command), then from the longest
// matching prefix rule, else code 0 and an empty reply. A reply that does not fit the caller's
// buffer (replyLength - 1 characters) gives 268 and an empty reply, as the real service does;
// a reply to a command sent without a buffer is dropped.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mci/command_service.h"

namespace stillmar::test {

struct RecordedCommand {
    std::string text;         // exactly as sent, padding included
    std::size_t replyLength;  // 0 when sent without a reply buffer
    bool operator==(const RecordedCommand&) const = default;
};

class RecordingService final : public mci::CommandService {
  public:
    struct Answer {
        uint32_t code = 0;
        std::string reply;
    };

    void answer(std::string prefix, uint32_t code, std::string reply = {}) {
        rules_[std::move(prefix)] = Answer{code, std::move(reply)};
    }
    void queue(uint32_t code, std::string reply = {}) {
        queue_.push_back(Answer{code, std::move(reply)});
    }
    // The text getErrorString gives for `code`; codes without one answer false.
    void errorText(uint32_t code, std::string text) { errors_[code] = std::move(text); }

    std::vector<RecordedCommand> commands;
    // Called with every command as it arrives, before it is answered (may be empty).
    std::function<void(std::string_view)> onSend;

    // The commands' texts alone, in order.
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        out.reserve(commands.size());
        for (const auto& c : commands) out.push_back(c.text);
        return out;
    }
    void clearLog() { commands.clear(); }

    uint32_t sendString(std::string_view command, std::string* reply, std::size_t replyLength,
                        int32_t) override {
        commands.push_back(RecordedCommand{std::string(command), reply ? replyLength : 0});
        if (onSend) onSend(command);
        if (reply) reply->clear();
        const Answer a = next(command);
        if (a.code != 0 || !reply) return a.code;
        if (replyLength == 0 || a.reply.size() > replyLength - 1) return 268;
        *reply = a.reply;
        return 0;
    }

    bool getErrorString(uint32_t code, std::string& text, std::size_t bufferLength) override {
        const auto it = errors_.find(code);
        if (it == errors_.end()) return false;
        text = bufferLength == 0 ? std::string() : it->second.substr(0, bufferLength - 1);
        return true;
    }

  private:
    Answer next(std::string_view command) {
        if (!queue_.empty()) {
            Answer a = std::move(queue_.front());
            queue_.pop_front();
            return a;
        }
        const Answer* best = nullptr;
        std::size_t bestLength = 0;
        for (const auto& [prefix, a] : rules_) {
            if (command.starts_with(prefix) && (best == nullptr || prefix.size() > bestLength)) {
                best = &a;
                bestLength = prefix.size();
            }
        }
        return best ? *best : Answer{};
    }

    std::map<std::string, Answer, std::less<>> rules_;
    std::deque<Answer> queue_;
    std::map<uint32_t, std::string> errors_;
};

}  // namespace stillmar::test
