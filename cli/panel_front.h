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
    std::string popup_name;  // for Set on a popup: a weight map looked up in the panel's own list
    std::string source;      // what the user wrote, for messages ("--set density_wg=Hollows")
};

class PanelAnswer {
public:
    // `on_refused` receives each refusal as it happens, naming the control, the enable rule's
    // message and the switch that would enable it.
    // `saved_from` names the file the saved values came from, in messages.
    PanelAnswer(const Controls& controls, std::vector<ControlValue> saved, std::string saved_from,
                std::vector<PanelAction> actions, bool cancel, std::function<void(const std::string&)> on_refused);

    // The front handed to the host's panel service (1 OK, 0 cancel).
    int answer(host::Panel& panel);
    host::PanelFront front() { return [this](host::Panel& panel) { return answer(panel); }; }
    // A person who gets the panel once the command line's values are in it, and answers it (1 OK,
    // 0 cancel); without one the command line answers.
    void hand_to(std::function<int(host::Panel&)> person) { person_ = std::move(person); }

    bool posted() const { return posted_; }
    // Why the panel was cancelled without being asked to: a value that could not be given (a
    // weight map the popup does not offer); empty otherwise.
    const std::string& usage_error() const { return usage_error_; }
    // The panel's values when it was confirmed: the record the module then holds.
    const std::optional<std::vector<ControlValue>>& confirmed() const { return confirmed_; }

private:
    void apply(host::Panel& panel, const PanelAction& action);
    void apply_all(host::Panel& panel);
    host::PanelValue value_for(const host::Panel& panel, const ControlInfo& control, const host::PanelValue& value,
                               const std::string& popup_name, const std::string& source) const;

    const Controls& controls_;
    std::vector<ControlValue> saved_;
    std::string saved_from_;
    std::vector<PanelAction> actions_;
    bool cancel_ = false;
    std::function<void(const std::string&)> on_refused_;
    std::function<int(host::Panel&)> person_;
    bool posted_ = false;
    std::optional<std::vector<ControlValue>> confirmed_;
    std::string usage_error_;
};

// The values of the record's controls as the panel holds them now.
std::vector<ControlValue> panel_record(const Controls& controls, const host::Panel& panel);

}  // namespace zelkor::cli
