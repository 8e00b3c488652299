// The command line's answer to the module's panel: it loads saved values, applies the --set and
// --press actions in order, then confirms (or cancels) the panel, as a person at the panel would.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/controls.h"
#include "cli/record_values.h"
#include "host/panel.h"

namespace zelkor::cli {

struct PanelAction {
    enum class Kind { Set, Press };
    Kind kind = Kind::Set;
    const ControlInfo* control = nullptr;
    host::PanelValue value;  // for Set
};

class PanelAnswer {
public:
    // `on_refused` receives each refusal (an enable rule's message) as it happens.
    PanelAnswer(std::vector<ControlValue> saved, std::vector<PanelAction> actions, bool cancel,
                std::function<void(const std::string&)> on_refused);

    // The front handed to the host's panel service (1 OK, 0 cancel).
    int answer(host::Panel& panel);
    host::PanelFront front() { return [this](host::Panel& panel) { return answer(panel); }; }

    bool posted() const { return posted_; }
    // The panel's values when it was confirmed: the record the module then holds.
    const std::optional<std::vector<ControlValue>>& confirmed() const { return confirmed_; }

private:
    void apply(host::Panel& panel, const PanelAction& action);

    std::vector<ControlValue> saved_;
    std::vector<PanelAction> actions_;
    bool cancel_ = false;
    std::function<void(const std::string&)> on_refused_;
    bool posted_ = false;
    std::optional<std::vector<ControlValue>> confirmed_;
};

// The values of the record's controls as the panel holds them now.
std::vector<ControlValue> panel_record(const host::Panel& panel);

}  // namespace zelkor::cli
