// The "LWXPanel" service for form panels, and the view through which a front (the command line,
// later a browser) shows a posted panel to a person.
//
// The service keeps each panel's control table, data descriptions, hints and values. A form
// panel's values move only through formGet (the address of the value) and formSet; post hands
// the panel to the front, which edits values, presses buttons (their handlers run inside post, as
// in a modeller) and answers OK or cancel.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "api/host_api.h"

namespace zelkor::host {

// No value (buttons), an int ("integer" data) or a double ("float" data).
using PanelValue = std::variant<std::monostate, int, double>;

struct PanelControl {
    unsigned long id = 0;
    std::string label;
    std::string control_class;  // "integer", "float", "percent", "angle", "iBoolean", "iPopChoice", "vButton"
    std::string data_type;      // from describe; derived from the class when not described
    std::vector<std::string> popup_entries;  // the control's string list, if hinted
    bool has_divider_after = false;
    bool has_button_handler = false;
    int int_value = 0;       // the storage formGet points into
    double float_value = 0;
    bool is_int() const;     // "integer" data: int_value; "float" data: float_value
    bool is_float() const;
    PanelValue value() const;
};

struct PanelGroup {
    unsigned long id = 0;
    std::string label;
    std::vector<unsigned long> controls;  // in order
};

struct PanelTabs {
    unsigned long id = 0;
    std::vector<unsigned long> groups;  // in order
};

// The listed controls are enabled only while the switch control's value is non-zero.
struct EnableRule {
    unsigned long switch_id = 0;
    std::vector<unsigned long> controls;
    std::string message;
};

class PanelService;

// One panel. Its address is the LWXPanelID handed to the module.
class Panel {
public:
    Panel(PanelService& service, int type, const LWXPanelControl* controls);

    LWXPanelID id() { return reinterpret_cast<LWXPanelID>(this); }
    static Panel* from_id(LWXPanelID id) { return reinterpret_cast<Panel*>(id); }

    PanelService& service() { return service_; }
    int type() const { return type_; }
    const std::string& title() const { return title_; }
    const std::vector<PanelControl>& controls() const { return controls_; }
    const std::vector<PanelGroup>& groups() const { return groups_; }
    const std::vector<PanelTabs>& tabs() const { return tabs_; }
    const std::vector<EnableRule>& enable_rules() const { return rules_; }

    PanelControl* find(unsigned long id);
    const PanelControl* find(unsigned long id) const;
    const PanelControl* find_by_label(std::string_view label) const;  // the first with this label

    // The message of the first rule that disables control `id` now, or nothing when it is enabled.
    std::optional<std::string> disabled_by(unsigned long id) const;
    bool enabled(unsigned long id) const { return !disabled_by(id); }

    // The module's side: describe, hint, formGet, formSet.
    void describe(const LWXPanelDataDesc* data);
    void hint(const LWXPanelHint* hints);
    void* form_get(unsigned long id);                   // null for an unknown control or a button
    void form_set(unsigned long id, const void* value);  // copies an int or a double per data type

    // The front's side. set refuses a disabled control with its rule's message, an unknown id, a
    // button, a non-integral number for an int control or a negative popup index (an index past the
    // entries is kept, as for an object with fewer maps than before); it
    // answers nothing on success.
    std::optional<std::string> set(unsigned long id, PanelValue value);
    std::optional<std::string> set_unchecked(unsigned long id, PanelValue value);  // ignores enable rules
    // Runs the handler of button `id` with this panel; refuses an unknown id, a control that is not
    // a button, a disabled button or a button without handler.
    std::optional<std::string> press(unsigned long id);

private:
    PanelGroup& group(unsigned long id);
    std::optional<std::string> store(PanelControl& control, PanelValue value);

    PanelService& service_;
    int type_ = 0;
    std::string title_;
    std::vector<PanelControl> controls_;  // sized once by the constructor: formGet's addresses stay put
    std::vector<PanelGroup> groups_;
    std::vector<PanelTabs> tabs_;
    std::vector<EnableRule> rules_;
    std::vector<LWXPanelBtnClickFunc> handlers_;  // parallel to controls_
};

// What post hands to the front: 1 OK, 0 cancel.
using PanelFront = std::function<int(Panel& panel)>;

class PanelService {
public:
    // The table handed to modules; create reaches the service of the current activation
    // (ActiveScope<PanelService>) and answers null outside one.
    static LWXPanelFuncs* table();

    // Without a front, post answers OK and changes nothing.
    void set_front(PanelFront front) { front_ = std::move(front); }

    Panel* create(int type, const LWXPanelControl* controls);  // null for a type other than LWXP_FORM
    void destroy(LWXPanelID id);
    int post(Panel& panel);

    std::size_t open_panel_count() const { return panels_.size(); }
    // The button whose handler is running, or null.
    const PanelControl* pressing() const { return pressing_; }
    void set_pressing(const PanelControl* button) { pressing_ = button; }
    int post_count() const { return post_count_; }

private:
    PanelFront front_;
    std::vector<std::unique_ptr<Panel>> panels_;
    int post_count_ = 0;
    const PanelControl* pressing_ = nullptr;
};

}  // namespace zelkor::host
