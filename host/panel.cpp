#include "host/panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/active.h"

namespace zelkor::host {
namespace {

bool class_holds_int(std::string_view control_class) {
    return control_class == "integer" || control_class == "iBoolean" || control_class == "iPopChoice";
}

bool class_holds_float(std::string_view control_class) {
    return control_class == "float" || control_class == "percent" || control_class == "angle" ||
           control_class == "distance";
}

std::string id_text(unsigned long id) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Controls

bool PanelControl::is_int() const {
    if (!data_type.empty()) return data_type == "integer";
    return class_holds_int(control_class);
}

bool PanelControl::is_float() const {
    if (!data_type.empty()) return data_type == "float";
    return class_holds_float(control_class);
}

PanelValue PanelControl::value() const {
    if (is_int()) return int_value;
    if (is_float()) return float_value;
    return std::monostate{};
}

// ---------------------------------------------------------------------------------------------
// Panel: the module's side

Panel::Panel(PanelService& service, int type, const LWXPanelControl* controls) : service_(service), type_(type) {
    std::size_t count = 0;
    while (controls && controls[count].cid != 0) ++count;
    controls_.resize(count);
    handlers_.resize(count, nullptr);
    for (std::size_t i = 0; i < count; ++i) {
        controls_[i].id = controls[i].cid;
        controls_[i].label = controls[i].label ? controls[i].label : "";
        controls_[i].control_class = controls[i].ctrlclass ? controls[i].ctrlclass : "";
    }
}

PanelControl* Panel::find(unsigned long id) {
    for (PanelControl& control : controls_)
        if (control.id == id) return &control;
    return nullptr;
}

const PanelControl* Panel::find(unsigned long id) const {
    for (const PanelControl& control : controls_)
        if (control.id == id) return &control;
    return nullptr;
}

const PanelControl* Panel::find_by_label(std::string_view label) const {
    for (const PanelControl& control : controls_)
        if (control.label == label) return &control;
    return nullptr;
}

void Panel::describe(const LWXPanelDataDesc* data) {
    for (std::size_t i = 0; data && data[i].vid != 0; ++i)
        if (PanelControl* control = find(data[i].vid)) control->data_type = data[i].datatype ? data[i].datatype : "";
}

PanelGroup& Panel::group(unsigned long id) {
    for (PanelGroup& g : groups_)
        if (g.id == id) return g;
    return groups_.emplace_back(PanelGroup{id, {}, {}});
}

void Panel::hint(const LWXPanelHint* hints) {
    for (std::size_t i = 0; hints && hints[i].kind != XpEND; ++i) {
        const LWXPanelHint& h = hints[i];
        std::vector<unsigned long> ids;
        for (std::size_t k = 0; h.ids && h.ids[k] != 0; ++k) ids.push_back(h.ids[k]);
        const std::string text = h.text ? h.text : "";
        switch (h.kind) {
            case XpLABEL:
                if (h.id == 0) title_ = text;
                else if (PanelControl* control = find(h.id)) control->label = text;
                else group(h.id).label = text;
                break;
            case XpGROUP_: group(h.id).controls = std::move(ids); break;
            case XpTABS_: tabs_.push_back({h.id, std::move(ids)}); break;
            case XpDIVADD:
                if (PanelControl* control = find(h.id)) control->has_divider_after = true;
                break;
            case XpSTRLIST:
                if (PanelControl* control = find(h.id)) {
                    // Copied: the module's list need not outlive the hint call.
                    control->popup_entries.clear();
                    for (std::size_t k = 0; h.strings && h.strings[k]; ++k) control->popup_entries.emplace_back(h.strings[k]);
                }
                break;
            case XpBUTNOTIFY:
                if (PanelControl* control = find(h.id)) {
                    handlers_[std::size_t(control - controls_.data())] = h.button;
                    control->has_button_handler = h.button != nullptr;
                }
                break;
            case XpENABLEMSG_: rules_.push_back({h.id, std::move(ids), text}); break;
            case XpEND: break;
        }
    }
}

void* Panel::form_get(unsigned long id) {
    PanelControl* control = find(id);
    if (!control) return nullptr;
    if (control->is_int()) return &control->int_value;
    if (control->is_float()) return &control->float_value;
    return nullptr;
}

void Panel::form_set(unsigned long id, const void* value) {
    PanelControl* control = find(id);
    if (!control || !value) return;
    if (control->is_int()) std::memcpy(&control->int_value, value, sizeof(int));
    else if (control->is_float()) std::memcpy(&control->float_value, value, sizeof(double));
}

// ---------------------------------------------------------------------------------------------
// Panel: the front's side

std::optional<std::string> Panel::disabled_by(unsigned long id) const {
    for (const EnableRule& rule : rules_) {
        if (std::find(rule.controls.begin(), rule.controls.end(), id) == rule.controls.end()) continue;
        const PanelControl* sw = find(rule.switch_id);
        const bool on = sw && ((sw->is_int() && sw->int_value != 0) || (sw->is_float() && sw->float_value != 0.0));
        if (!on) return rule.message;
    }
    return std::nullopt;
}

std::optional<std::string> Panel::store(PanelControl& control, PanelValue value) {
    if (control.is_int()) {
        if (const int* i = std::get_if<int>(&value)) {
            control.int_value = *i;
            return std::nullopt;
        }
        if (const double* d = std::get_if<double>(&value)) {
            if (std::trunc(*d) != *d || *d < -2147483648.0 || *d > 2147483647.0)
                return "\"" + control.label + "\" takes a whole number";
            control.int_value = int(*d);
            return std::nullopt;
        }
        return "\"" + control.label + "\" needs a value";
    }
    if (control.is_float()) {
        if (const int* i = std::get_if<int>(&value)) control.float_value = *i;
        else if (const double* d = std::get_if<double>(&value)) control.float_value = *d;
        else return "\"" + control.label + "\" needs a value";
        return std::nullopt;
    }
    return "\"" + control.label + "\" holds no value";
}

std::optional<std::string> Panel::set(unsigned long id, PanelValue value) {
    PanelControl* control = find(id);
    if (!control) return "no control " + id_text(id);
    if (std::optional<std::string> message = disabled_by(id)) return message;
    // An index past the entries is kept as it is, as a modeller keeps one chosen on an object
    // with more maps; only a negative index names no entry at all.
    if (control->control_class == "iPopChoice") {
        const int* index = std::get_if<int>(&value);
        if (index && *index < 0) return "\"" + control->label + "\" takes an entry number from 0";
    }
    return store(*control, value);
}

std::optional<std::string> Panel::set_unchecked(unsigned long id, PanelValue value) {
    PanelControl* control = find(id);
    if (!control) return "no control " + id_text(id);
    return store(*control, value);
}

std::optional<std::string> Panel::press(unsigned long id) {
    PanelControl* control = find(id);
    if (!control) return "no control " + id_text(id);
    if (control->control_class != "vButton") return "\"" + control->label + "\" is not a button";
    if (std::optional<std::string> message = disabled_by(id)) return message;
    LWXPanelBtnClickFunc handler = handlers_[std::size_t(control - controls_.data())];
    if (!handler) return "\"" + control->label + "\" does nothing";
    const PanelControl* outer = service_.pressing();
    service_.set_pressing(control);
    handler(this->id(), int(id));
    service_.set_pressing(outer);
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Service

namespace {

LWXPanelID create(int type, const LWXPanelControl* controls) {
    PanelService* service = ActiveScope<PanelService>::current();
    Panel* panel = service ? service->create(type, controls) : nullptr;
    return panel ? panel->id() : nullptr;
}

void destroy(LWXPanelID panel) {
    if (panel) Panel::from_id(panel)->service().destroy(panel);
}

void describe(LWXPanelID panel, const LWXPanelDataDesc* data, void*, void*) {
    if (panel) Panel::from_id(panel)->describe(data);
}

void hint(LWXPanelID panel, unsigned long, const LWXPanelHint* hints) {
    if (panel) Panel::from_id(panel)->hint(hints);
}

void* form_get(LWXPanelID panel, unsigned long cid) { return panel ? Panel::from_id(panel)->form_get(cid) : nullptr; }

void form_set(LWXPanelID panel, unsigned long cid, const void* value) {
    if (panel) Panel::from_id(panel)->form_set(cid, value);
}

int post(LWXPanelID panel) {
    if (!panel) return 0;
    Panel* p = Panel::from_id(panel);
    return p->service().post(*p);
}

LWXPanelFuncs kTable = {create, destroy, describe, hint, form_get, form_set, post};

}  // namespace

LWXPanelFuncs* PanelService::table() { return &kTable; }

Panel* PanelService::create(int type, const LWXPanelControl* controls) {
    if (type != LWXP_FORM) return nullptr;
    panels_.push_back(std::make_unique<Panel>(*this, type, controls));
    return panels_.back().get();
}

void PanelService::destroy(LWXPanelID id) {
    std::erase_if(panels_, [&](const std::unique_ptr<Panel>& p) { return p->id() == id; });
}

int PanelService::post(Panel& panel) {
    ++post_count_;
    if (!front_) return 1;
    return front_(panel) ? 1 : 0;
}

}  // namespace zelkor::host
