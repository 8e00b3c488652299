#include "cli/panel_front.h"

#include <algorithm>

#include "cli/control_values.h"
#include "cli/usage_error.h"

namespace zelkor::cli {

PanelAnswer::PanelAnswer(const Controls& controls, std::vector<ControlValue> saved, std::string saved_from,
                         std::vector<PanelAction> actions, bool cancel, std::function<void(const std::string&)> on_refused)
    : controls_(controls), saved_(std::move(saved)), saved_from_(std::move(saved_from)), actions_(std::move(actions)), cancel_(cancel),
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

namespace {

// How many enable rules stand above a control: 0 for one no rule greys, 1 for one greyed by a
// switch that nothing greys, and so on. Setting controls in this order lets every switch take
// its final value before the controls it enables are set.
int enable_depth(const host::Panel& panel, unsigned long id, int guard = 0) {
    int depth = 0;
    if (guard > 16) return depth;  // rules in a cycle: no order helps
    for (const host::EnableRule& rule : panel.enable_rules())
        if (std::find(rule.controls.begin(), rule.controls.end(), id) != rule.controls.end())
            depth = std::max(depth, 1 + enable_depth(panel, rule.switch_id, guard + 1));
    return depth;
}

// `"Min Slope Angle" not set: Slope Angle is Disabled (turn on "Slope Limits")`
std::string refusal_text(const host::Panel& panel, const PanelAction& action, const std::string& message) {
    std::string text = "\"" + action.control->label + (action.kind == PanelAction::Kind::Press ? "\" not pressed: " : "\" not set: ");
    text += message;
    for (const host::EnableRule& rule : panel.enable_rules()) {
        const host::PanelControl* control = panel.find(rule.switch_id);
        const bool greys = std::find(rule.controls.begin(), rule.controls.end(), action.control->id) != rule.controls.end();
        if (!greys || !control || rule.message != message) continue;
        text += control->control_class == "iPopChoice" ? " (choose a weight map in \"" + control->label + "\")"
                                                       : " (turn on \"" + control->label + "\")";
        break;
    }
    return text;
}

}  // namespace

void PanelAnswer::apply(host::Panel& panel, const PanelAction& action) {
    const unsigned long id = action.control->id;
    std::optional<std::string> refusal;
    if (action.kind == PanelAction::Kind::Press)
        refusal = panel.press(id);
    else
        refusal = panel.set(id, value_for(panel, *action.control, action.value, action.popup_name, action.source));
    if (refusal && on_refused_) on_refused_(refusal_text(panel, action, *refusal));
}

// The sets between two presses are one state: whatever their order, switches and popups take
// their values before the controls they enable. A press acts on the state the sets before it made.
void PanelAnswer::apply_all(host::Panel& panel) {
    std::vector<const PanelAction*> batch;
    auto flush = [&] {
        std::stable_sort(batch.begin(), batch.end(), [&](const PanelAction* a, const PanelAction* b) {
            return enable_depth(panel, a->control->id) < enable_depth(panel, b->control->id);
        });
        for (const PanelAction* action : batch) apply(panel, *action);
        batch.clear();
    };
    for (const PanelAction& action : actions_) {
        if (action.kind == PanelAction::Kind::Set) {
            batch.push_back(&action);
            continue;
        }
        flush();
        apply(panel, action);
    }
    flush();
}

int PanelAnswer::answer(host::Panel& panel) {
    posted_ = true;
    try {
        // A saved record holds the values of disabled controls too, so it is loaded past the rules.
        for (const ControlValue& v : saved_) {
            const host::PanelValue value = value_for(panel, *v.control, v.value, v.popup_name, saved_from_);
            std::optional<std::string> refusal = panel.set_unchecked(v.control->id, value);
            if (refusal && on_refused_) on_refused_("\"" + v.control->label + "\" not set: " + *refusal);
        }
        apply_all(panel);
    } catch (const UsageError& e) {
        // Nothing may run on a value the user did not mean: the panel is cancelled, and the
        // command reports the fault once the module has closed its edit.
        usage_error_ = e.what();
        return 0;
    }
    if (cancel_) return 0;
    if (person_ && !person_(panel)) return 0;
    confirmed_ = panel_record(controls_, panel);
    return 1;
}

std::vector<ControlValue> panel_record(const Controls& controls, const host::Panel& panel) {
    std::vector<ControlValue> record;
    for (const ControlInfo* control : controls.values()) {
        const host::PanelControl* shown = panel.find(control->id);
        ControlValue value{control, shown ? shown->value() : host::PanelValue{}, {}};
        const int* index = std::get_if<int>(&value.value);
        if (shown && index && *index >= 0 && std::size_t(*index) < shown->popup_entries.size())
            value.popup_name = shown->popup_entries[std::size_t(*index)];
        record.push_back(std::move(value));
    }
    return record;
}

}  // namespace zelkor::cli
