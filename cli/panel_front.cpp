#include "cli/panel_front.h"

#include "cli/control_values.h"
#include "cli/usage_error.h"

namespace zelkor::cli {

PanelAnswer::PanelAnswer(const Controls& controls, std::vector<ControlValue> saved, std::vector<PanelAction> actions,
                         bool cancel, std::function<void(const std::string&)> on_refused)
    : controls_(controls), saved_(std::move(saved)), actions_(std::move(actions)), cancel_(cancel),
      on_refused_(std::move(on_refused)) {}

// A popup named by a weight map is looked up among the entries the module gave the panel.
host::PanelValue PanelAnswer::value_for(const host::Panel& panel, const ControlInfo& control, const host::PanelValue& value,
                                        const std::string& popup_name, const std::string& source) const {
    if (popup_name.empty()) return value;
    const host::PanelControl* shown = panel.find(control.id);
    try {
        return resolve_popup(control, popup_name, shown ? shown->popup_entries : std::vector<std::string>{});
    } catch (const UsageError& e) {
        throw UsageError(source.empty() ? std::string(e.what()) : source + ": " + e.what());
    }
}

void PanelAnswer::apply(host::Panel& panel, const PanelAction& action) {
    const unsigned long id = action.control->id;
    std::optional<std::string> refusal;
    if (action.kind == PanelAction::Kind::Press)
        refusal = panel.press(id);
    else
        refusal = panel.set(id, value_for(panel, *action.control, action.value, action.popup_name, action.source));
    if (refusal && on_refused_) on_refused_(*refusal);
}

int PanelAnswer::answer(host::Panel& panel) {
    posted_ = true;
    try {
        // A saved record holds the values of disabled controls too, so it is loaded past the rules.
        for (const ControlValue& v : saved_) {
            const host::PanelValue value = value_for(panel, *v.control, v.value, v.popup_name, "--params");
            std::optional<std::string> refusal = panel.set_unchecked(v.control->id, value);
            if (refusal && on_refused_) on_refused_(*refusal);
        }
        for (const PanelAction& action : actions_) apply(panel, action);
    } catch (const UsageError& e) {
        // Nothing may run on a value the user did not mean: the panel is cancelled, and the
        // command reports the fault once the module has closed its edit.
        usage_error_ = e.what();
        return 0;
    }
    if (cancel_) return 0;
    confirmed_ = panel_record(controls_, panel);
    return 1;
}

std::vector<ControlValue> panel_record(const Controls& controls, const host::Panel& panel) {
    std::vector<ControlValue> record;
    for (const ControlInfo* control : controls.values()) {
        const host::PanelControl* shown = panel.find(control->id);
        record.push_back({control, shown ? shown->value() : host::PanelValue{}, {}});
    }
    return record;
}

}  // namespace zelkor::cli
