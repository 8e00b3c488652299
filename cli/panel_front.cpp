#include "cli/panel_front.h"

namespace zelkor::cli {

PanelAnswer::PanelAnswer(std::vector<ControlValue> saved, std::vector<PanelAction> actions, bool cancel,
                         std::function<void(const std::string&)> on_refused)
    : saved_(std::move(saved)), actions_(std::move(actions)), cancel_(cancel), on_refused_(std::move(on_refused)) {}

void PanelAnswer::apply(host::Panel& panel, const PanelAction& action) {
    const unsigned long id = action.control->id;
    std::optional<std::string> refusal;
    if (action.kind == PanelAction::Kind::Press) refusal = panel.press(id);
    else refusal = panel.set(id, action.value);
    if (refusal && on_refused_) on_refused_(*refusal);
}

int PanelAnswer::answer(host::Panel& panel) {
    posted_ = true;
    // A saved record holds the values of disabled controls too, so it is loaded past the rules.
    for (const ControlValue& v : saved_) {
        std::optional<std::string> refusal = panel.set_unchecked(v.control->id, v.value);
        if (refusal && on_refused_) on_refused_(*refusal);
    }
    for (const PanelAction& action : actions_) apply(panel, action);
    if (cancel_) return 0;
    confirmed_ = panel_record(panel);
    return 1;
}

std::vector<ControlValue> panel_record(const host::Panel& panel) {
    std::vector<ControlValue> record;
    for (const ControlInfo* control : value_controls()) {
        const host::PanelControl* shown = panel.find(control->id);
        record.push_back({control, shown ? shown->value() : host::PanelValue{}});
    }
    return record;
}

}  // namespace zelkor::cli
