#include "params/panel.h"

#include <array>
#include <cstring>
#include <initializer_list>
#include <iterator>

#include "clone/globals.h"
#include "clone/messages.h"

namespace zelkor {


namespace {

enum : unsigned long {
    ID_ABOUT = 0x8001,
    ID_NUM_CLONES = 0x8002,
    ID_SIZE_VAR_X = 0x8003,
    ID_SIZE_VAR_Y = 0x8004,
    ID_SIZE_VAR_Z = 0x8005,
    ID_INDEPENDENT = 0x8006,
    ID_SIZE_BY_AREA = 0x8007,
    ID_H_MIN = 0x8008,
    ID_H_MAX = 0x8009,
    ID_P_MIN = 0x800a,
    ID_P_MAX = 0x800b,
    ID_DEPENDENCE = 0x800c,
    ID_B_MIN = 0x800d,
    ID_B_MAX = 0x800e,
    ID_DISTRIBUTION = 0x800f,
    ID_ITERATIONS = 0x8010,
    ID_DENSITY_WG = 0x8011,
    ID_SEED = 0x8012,
    ID_JITTER = 0x8013,
    ID_SLOPE_MIN = 0x8014,
    ID_SLOPE_MAX = 0x8015,
    ID_SLOPE_LIMITS = 0x8016,
    ID_SIZE_WG = 0x8017,
    ID_SIZE_WG_INFLUENCE = 0x8018,
    ID_RESET = 0x8019,
    ID_ZERO_ANGLES = 0x801a,
    ID_AUTO_MORPH = 0x801b,
    ID_GROUP_BASIC = 0x801c,
    ID_GROUP_ADVANCED = 0x801d,
    ID_TABS = 0x801e,
    ID_H_ALIGN = 0x801f,
    ID_P_ALIGN = 0x8020,
    ID_P_ANGLE_WG = 0x8021,
    ID_ABSOLUTE = 0x8022,
};

const unsigned long basic_group[] = {ID_NUM_CLONES, ID_INDEPENDENT, ID_SIZE_VAR_X, ID_SIZE_VAR_Y, ID_SIZE_VAR_Z,
                                     ID_SIZE_WG, ID_SIZE_WG_INFLUENCE, ID_DENSITY_WG, ID_H_MIN, ID_H_MAX,
                                     ID_P_MIN, ID_P_MAX, ID_B_MIN, ID_B_MAX, ID_ZERO_ANGLES, ID_H_ALIGN,
                                     ID_P_ALIGN, ID_SEED, 0};
const unsigned long advanced_group[] = {ID_SIZE_BY_AREA, ID_DEPENDENCE, ID_JITTER, ID_SLOPE_LIMITS, ID_SLOPE_MIN,
                                        ID_SLOPE_MAX, ID_P_ANGLE_WG, ID_ABSOLUTE, ID_DISTRIBUTION, ID_ITERATIONS,
                                        ID_AUTO_MORPH, 0};
const unsigned long tab_groups[] = {ID_GROUP_BASIC, ID_GROUP_ADVANCED, 0};
const unsigned long p_align_controls[] = {ID_P_ANGLE_WG, 0};
const unsigned long slope_controls[] = {ID_SLOPE_MAX, ID_SLOPE_MIN, 0};
const unsigned long size_axis_controls[] = {ID_SIZE_VAR_Y, ID_SIZE_VAR_Z, 0};
const unsigned long size_wg_controls[] = {ID_SIZE_WG_INFLUENCE, 0};
const unsigned long dependence_controls[] = {ID_DEPENDENCE, 0};

void on_reset(LWXPanelID, int) { defaults(); }
void on_zero_angles(LWXPanelID, int) { zero_angles(); }

LWXPanelHint label(unsigned long id, const char* text) { return {XpLABEL, id, text, nullptr, nullptr, nullptr}; }
LWXPanelHint ids(LWXPanelHintKind kind, unsigned long id, const unsigned long* list, const char* text = nullptr) {
    return {kind, id, text, list, nullptr, nullptr};
}
LWXPanelHint divider(unsigned long after) { return {XpDIVADD, after, nullptr, nullptr, nullptr, nullptr}; }
LWXPanelHint strings(unsigned long id, const char* const* list) { return {XpSTRLIST, id, nullptr, nullptr, list, nullptr}; }
LWXPanelHint button(unsigned long id, LWXPanelBtnClickFunc f) { return {XpBUTNOTIFY, id, nullptr, nullptr, nullptr, f}; }

}  // namespace

// The panel's controls, one row each in the order of the control table: the control list, the
// data descriptions, the record bindings and the description offered to hosts are all made from
// these rows.
const panel_row panel_rows[] = {
    {ID_ABOUT, "About", "vButton", "vButton", nullptr, nullptr, nullptr, ZELKOR_UNIT_BUTTON},
    {ID_NUM_CLONES, "Number of Clones", "integer", "integer", "num_clones", &params_typ::num_clones, nullptr, ZELKOR_UNIT_COUNT},
    {ID_INDEPENDENT, "Independent Sizes", "iBoolean", "integer", "independent_sizes", &params_typ::independent_sizes, nullptr, ZELKOR_UNIT_SWITCH},
    {ID_SIZE_VAR_X, "Size Variations", "percent", "float", "size_var_x", nullptr, &params_typ::size_var_x, ZELKOR_UNIT_FRACTION},
    {ID_SIZE_VAR_Y, "Y", "percent", "float", "size_var_y", nullptr, &params_typ::size_var_y, ZELKOR_UNIT_FRACTION},
    {ID_SIZE_VAR_Z, "Z", "percent", "float", "size_var_z", nullptr, &params_typ::size_var_z, ZELKOR_UNIT_FRACTION},
    {ID_SIZE_WG, "Size WeightMap", "iPopChoice", "integer", "size_wg", &params_typ::size_wg, nullptr, ZELKOR_UNIT_POPUP},
    {ID_SIZE_WG_INFLUENCE, "Size WeightMap Influence", "percent", "float", "size_wg_influence", nullptr, &params_typ::size_wg_influence, ZELKOR_UNIT_FRACTION},
    {ID_SIZE_BY_AREA, "Size depends on Poly Area", "iBoolean", "integer", "size_by_area", &params_typ::size_by_area, nullptr, ZELKOR_UNIT_SWITCH},
    {ID_DEPENDENCE, "Dependence Power", "percent", "float", "dependence_power", nullptr, &params_typ::dependence_power, ZELKOR_UNIT_FRACTION},
    {ID_DENSITY_WG, "Density WeightMap", "iPopChoice", "integer", "density_wg", &params_typ::density_wg, nullptr, ZELKOR_UNIT_POPUP},
    {ID_H_MIN, "Random rotation H Min", "angle", "float", "H_min", nullptr, &params_typ::H_min, ZELKOR_UNIT_RADIANS},
    {ID_H_MAX, "H Max", "angle", "float", "H_max", nullptr, &params_typ::H_max, ZELKOR_UNIT_RADIANS},
    {ID_P_MIN, "P Min", "angle", "float", "P_min", nullptr, &params_typ::P_min, ZELKOR_UNIT_RADIANS},
    {ID_P_MAX, "P Max", "angle", "float", "P_max", nullptr, &params_typ::P_max, ZELKOR_UNIT_RADIANS},
    {ID_B_MIN, "B Min", "angle", "float", "B_min", nullptr, &params_typ::B_min, ZELKOR_UNIT_RADIANS},
    {ID_B_MAX, "B Max", "angle", "float", "B_max", nullptr, &params_typ::B_max, ZELKOR_UNIT_RADIANS},
    {ID_ZERO_ANGLES, "Zero Angles", "vButton", "vButton", nullptr, nullptr, nullptr, ZELKOR_UNIT_BUTTON},
    {ID_H_ALIGN, "H Align with normals", "iBoolean", "integer", "H_align", &params_typ::H_align, nullptr, ZELKOR_UNIT_SWITCH},
    {ID_P_ALIGN, "P Align with normals", "iBoolean", "integer", "P_align", &params_typ::P_align, nullptr, ZELKOR_UNIT_SWITCH},
    {ID_JITTER, "Jitter Cloned points", "float", "float", "jitter", nullptr, &params_typ::jitter, ZELKOR_UNIT_NUMBER},
    {ID_SLOPE_LIMITS, "Slope Angle Limits", "iBoolean", "integer", "slope_limits", &params_typ::slope_limits, nullptr, ZELKOR_UNIT_SWITCH},
    {ID_SLOPE_MIN, "Min Slope Angle", "angle", "float", "slope_min", nullptr, &params_typ::slope_min, ZELKOR_UNIT_RADIANS},
    {ID_SLOPE_MAX, "Max Slope Angle", "angle", "float", "slope_max", nullptr, &params_typ::slope_max, ZELKOR_UNIT_RADIANS},
    {ID_DISTRIBUTION, "Distribution", "percent", "float", "distribution", nullptr, &params_typ::distribution, ZELKOR_UNIT_FRACTION},
    {ID_ITERATIONS, "Iterations", "integer", "integer", "iterations", &params_typ::iterations, nullptr, ZELKOR_UNIT_COUNT},
    {ID_SEED, "Random Seed", "integer", "integer", "seed", &params_typ::seed, nullptr, ZELKOR_UNIT_COUNT},
    {ID_AUTO_MORPH, "Auto morph maps", "integer", "integer", "auto_morph_maps", &params_typ::auto_morph_maps, nullptr, ZELKOR_UNIT_COUNT},
    {ID_RESET, "Reset Values", "vButton", "vButton", nullptr, nullptr, nullptr, ZELKOR_UNIT_BUTTON},
    {ID_P_ANGLE_WG, "P angle weightmap", "iPopChoice", "integer", "P_angle_wg", &params_typ::P_angle_wg, nullptr, ZELKOR_UNIT_POPUP},
    {ID_ABSOLUTE, "Absolute", "iBoolean", "integer", "absolute", &params_typ::absolute, nullptr, ZELKOR_UNIT_SWITCH},
};
const int panel_row_count = int(std::size(panel_rows));

namespace {

constexpr std::size_t kRows = std::size(panel_rows);

template <class Row, class Make>
std::array<Row, kRows + 1> from_rows(Make make) {
    std::array<Row, kRows + 1> table{};
    for (std::size_t k = 0; k < kRows; ++k) table[k] = make(panel_rows[k]);
    return table;  // the last row stays all zero: the end mark
}

// The host keeps pointers to these for as long as a panel lives: made once.
const std::array<LWXPanelControl, kRows + 1> control_table =
    from_rows<LWXPanelControl>([](const panel_row& r) { return LWXPanelControl{r.id, r.label, r.control_class}; });
const std::array<LWXPanelDataDesc, kRows + 1> data_table =
    from_rows<LWXPanelDataDesc>([](const panel_row& r) { return LWXPanelDataDesc{r.id, r.label, r.data_type}; });

}  // namespace

const LWXPanelControl* const ctl = control_table.data();
const LWXPanelDataDesc* const cdata = data_table.data();

const zelkor_control* control_description() {
    static const std::array<zelkor_control, kRows + 1> table = [] {
        const params_typ fresh;
        return from_rows<zelkor_control>([&](const panel_row& r) {
            const double value = r.int_field ? double(fresh.*r.int_field) : r.double_field ? fresh.*r.double_field : 0.0;
            return zelkor_control{r.id, r.field, r.label, r.int_field ? 1 : 0, int(r.unit), value};
        });
    }();
    return table.data();
}

const panel_row* find_panel_row(const char* field_or_label) {
    for (const panel_row& r : panel_rows)
        if ((r.field && std::strcmp(r.field, field_or_label) == 0) || std::strcmp(r.label, field_or_label) == 0) return &r;
    return nullptr;
}

void set_params(const params_typ* rec) {
    for (const panel_row& r : panel_rows) {
        if (r.int_field)
            xpanf->formSet(xpanel, r.id, &(rec->*r.int_field));
        else if (r.double_field)
            xpanf->formSet(xpanel, r.id, &(rec->*r.double_field));
    }
}

void get_params(params_typ* rec) {
    for (const panel_row& r : panel_rows) {
        if (!r.int_field && !r.double_field) continue;
        const void* value = xpanf->formGet(xpanel, r.id);
        if (!value) continue;
        if (r.int_field)
            rec->*r.int_field = *static_cast<const int*>(value);
        else
            rec->*r.double_field = *static_cast<const double*>(value);
    }
}

void defaults() {
    params_typ fresh;
    set_params(&fresh);
}

void zero_angles() {
    double zero = 0.0;
    for (unsigned long id : {ID_H_MIN, ID_H_MAX, ID_P_MAX, ID_P_MIN, ID_B_MAX, ID_B_MIN})
        xpanf->formSet(xpanel, id, &zero);
}

int display_panel(const params_typ* rec, const char* const* wg_names) {
    xpanel = xpanf->create(LWXP_FORM, ctl);
    if (!xpanel) return 0;
    xpanf->describe(xpanel, cdata, nullptr, nullptr);

    const LWXPanelHint hints[] = {
        label(0, "Zelkor 1.6"),
        ids(XpGROUP_, ID_GROUP_BASIC, basic_group),
        label(ID_GROUP_BASIC, "Basic"),
        ids(XpGROUP_, ID_GROUP_ADVANCED, advanced_group),
        label(ID_GROUP_ADVANCED, "Advanced"),
        ids(XpTABS_, ID_TABS, tab_groups),
        divider(ID_DEPENDENCE),
        divider(ID_DENSITY_WG),
        divider(ID_ZERO_ANGLES),
        divider(ID_P_ALIGN),
        divider(ID_JITTER),
        divider(ID_SLOPE_MAX),
        divider(ID_ITERATIONS),
        divider(ID_ABSOLUTE),
        strings(ID_DENSITY_WG, wg_names),
        strings(ID_SIZE_WG, wg_names),
        strings(ID_P_ANGLE_WG, wg_names),
        button(ID_RESET, on_reset),
        button(ID_ZERO_ANGLES, on_zero_angles),
        button(ID_ABOUT, msg_about),
        ids(XpENABLEMSG_, ID_P_ALIGN, p_align_controls, "P Align should be enabled."),
        ids(XpENABLEMSG_, ID_SLOPE_LIMITS, slope_controls, "Slope Angle is Disabled"),
        ids(XpENABLEMSG_, ID_INDEPENDENT, size_axis_controls, "Size axes are linked"),
        ids(XpENABLEMSG_, ID_SIZE_WG, size_wg_controls, "Choose any weightmap first"),
        ids(XpENABLEMSG_, ID_SIZE_BY_AREA, dependence_controls,
            "Control is disabled. Turn 'Size Depends on Poly Area' on first"),
        {XpEND, 0, nullptr, nullptr, nullptr, nullptr},
    };
    xpanf->hint(xpanel, 0, hints);

    set_params(rec);
    return xpanf->post(xpanel);
}

}  // namespace zelkor
