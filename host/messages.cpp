#include "host/messages.h"

#include "host/active.h"
#include "host/panel.h"

namespace zelkor::host {
namespace {

std::string text_or_empty(const char* text) { return text ? std::string(text) : std::string(); }

std::optional<std::string> text_or_absent(const char* text) {
    if (!text) return std::nullopt;
    return std::string(text);
}

void record(MessageKind kind, const char* title, const char* line1, const char* line2) {
    MessageService* service = ActiveScope<MessageService>::current();
    if (!service) return;
    // A message shown by a button's handler is the answer to that press.
    const PanelService* panels = ActiveScope<PanelService>::current();
    const PanelControl* pressed = panels ? panels->pressing() : nullptr;
    service->record({kind, text_or_empty(title), text_or_empty(line1), text_or_absent(line2),
                     pressed ? pressed->label : std::string()});
}

void info(const char* line1, const char* line2) { record(MessageKind::Info, nullptr, line1, line2); }
void error(const char* line1, const char* line2) { record(MessageKind::Error, nullptr, line1, line2); }
void warning(const char* line1, const char* line2) { record(MessageKind::Warning, nullptr, line1, line2); }

int yes_no(const char* title, const char* line1, const char* line2) {
    record(MessageKind::YesNo, title, line1, line2);
    MessageService* service = ActiveScope<MessageService>::current();
    return service ? service->yes_no_answer() : 0;
}

LWMessageFuncs kTable = {info, error, warning, yes_no};

}  // namespace

const char* message_kind_name(MessageKind kind) {
    switch (kind) {
        case MessageKind::Info: return "info";
        case MessageKind::Error: return "error";
        case MessageKind::Warning: return "warning";
        case MessageKind::YesNo: return "yesNo";
    }
    return "?";
}

LWMessageFuncs* MessageService::table() { return &kTable; }

void MessageService::record(Message message) {
    messages_.push_back(std::move(message));
    if (forward_) forward_(messages_.back());
}

}  // namespace zelkor::host
