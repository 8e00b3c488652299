// The "Info Messages 2" service: dialogs become records the caller can read and print.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "api/host_api.h"

namespace zelkor::host {

enum class MessageKind { Info, Error, Warning, YesNo };

struct Message {
    MessageKind kind = MessageKind::Info;
    std::string title;                 // only yesNo has one
    std::string line1;                 // empty when the module passed null
    std::optional<std::string> line2;  // absent when the module passed null
    std::string button;                // the panel button whose handler showed it, if any
    bool operator==(const Message&) const = default;
};

const char* message_kind_name(MessageKind kind);  // "info", "error", "warning", "yesNo"

class MessageService {
public:
    // The table handed to modules; its functions reach the service of the current activation
    // (ActiveScope<MessageService>) and do nothing outside one.
    static LWMessageFuncs* table();

    // Called with every message as it arrives, after it is recorded (the command line prints them).
    void set_forward(std::function<void(const Message&)> forward) { forward_ = std::move(forward); }
    // What yesNo answers: 1 yes (the default), 0 no.
    void set_yes_no_answer(int answer) { yes_no_answer_ = answer; }

    const std::vector<Message>& messages() const { return messages_; }
    void clear() { messages_.clear(); }

    // What the table's functions call.
    void record(Message message);
    int yes_no_answer() const { return yes_no_answer_; }

private:
    std::vector<Message> messages_;
    std::function<void(const Message&)> forward_;
    int yes_no_answer_ = 1;
};

}  // namespace zelkor::host
