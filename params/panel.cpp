#include "params/panel.h"

#include <initializer_list>

#include "clone/globals.h"
#include "clone/messages.h"

namespace zelkor {

LWXPanelID xpanel = nullptr;

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
LWXPanelHint strings(unsigned long id, char** list) { return {XpSTRLIST, id, nullptr, nullptr, list, nullptr}; }
LWXPanelHint button(unsigned long id, LWXPanelBtnClickFunc f) { return {XpBUTNOTIFY, id, nullptr, nullptr, nullptr, f}; }

}  // namespace

const LWXPanelControl ctl[] = {
    {ID_ABOUT, "About", "vButton"},
    {ID_NUM_CLONES, "Number of Clones", "integer"},
    {ID_INDEPENDENT, "Independent Sizes", "iBoolean"},
    {ID_SIZE_VAR_X, "Size Variations", "percent"},
    {ID_SIZE_VAR_Y, "Y", "percent"},
    {ID_SIZE_VAR_Z, "Z", "percent"},
    {ID_SIZE_WG, "Size WeightMap", "iPopChoice"},
    {ID_SIZE_WG_INFLUENCE, "Size WeightMap Influence", "percent"},
    {ID_SIZE_BY_AREA, "Size depends on Poly Area", "iBoolean"},
    {ID_DEPENDENCE, "Dependence Power", "percent"},
    {ID_DENSITY_WG, "Density WeightMap", "iPopChoice"},
    {ID_H_MIN, "Random rotation H Min", "angle"},
    {ID_H_MAX, "H Max", "angle"},
    {ID_P_MIN, "P Min", "angle"},
    {ID_P_MAX, "P Max", "angle"},
    {ID_B_MIN, "B Min", "angle"},
    {ID_B_MAX, "B Max", "angle"},
    {ID_ZERO_ANGLES, "Zero Angles", "vButton"},
    {ID_H_ALIGN, "H Align with normals", "iBoolean"},
    {ID_P_ALIGN, "P Align with normals", "iBoolean"},
    {ID_JITTER, "Jitter Cloned points", "float"},
    {ID_SLOPE_LIMITS, "Slope Angle Limits", "iBoolean"},
    {ID_SLOPE_MIN, "Min Slope Angle", "angle"},
    {ID_SLOPE_MAX, "Max Slope Angle", "angle"},
    {ID_DISTRIBUTION, "Distribution", "percent"},
    {ID_ITERATIONS, "Iterations", "integer"},
    {ID_SEED, "Random Seed", "integer"},
    {ID_AUTO_MORPH, "Auto morph maps", "integer"},
    {ID_RESET, "Reset Values", "vButton"},
    {ID_P_ANGLE_WG, "P angle weightmap", "iPopChoice"},
    {ID_ABSOLUTE, "Absolute", "iBoolean"},
    {0, nullptr, nullptr},
};

const LWXPanelDataDesc cdata[] = {
    {ID_ABOUT, "About", "vButton"},
    {ID_NUM_CLONES, "Number of Clones", "integer"},
    {ID_INDEPENDENT, "Independent Sizes", "integer"},
    {ID_SIZE_VAR_X, "Size Variations", "float"},
    {ID_SIZE_VAR_Y, "Y", "float"},
    {ID_SIZE_VAR_Z, "Z", "float"},
    {ID_SIZE_WG, "Size WeightMap", "integer"},
    {ID_SIZE_WG_INFLUENCE, "Size WeightMap Influence", "float"},
    {ID_SIZE_BY_AREA, "Size depends on Poly Area", "integer"},
    {ID_DEPENDENCE, "Dependence Power", "float"},
    {ID_DENSITY_WG, "Density WeightMap", "integer"},
    {ID_H_MIN, "Random rotation H Min", "float"},
    {ID_H_MAX, "H Max", "float"},
    {ID_P_MIN, "P Min", "float"},
    {ID_P_MAX, "P Max", "float"},
    {ID_B_MIN, "B Min", "float"},
    {ID_B_MAX, "B Max", "float"},
    {ID_ZERO_ANGLES, "Zero Angles", "vButton"},
    {ID_H_ALIGN, "H Align with normals", "integer"},
    {ID_P_ALIGN, "P Align with normals", "integer"},
    {ID_JITTER, "Jitter Cloned points", "float"},
    {ID_SLOPE_LIMITS, "Slope Angle Limits", "integer"},
    {ID_SLOPE_MIN, "Min Slope Angle", "float"},
    {ID_SLOPE_MAX, "Max Slope Angle", "float"},
    {ID_DISTRIBUTION, "Distribution", "float"},
    {ID_ITERATIONS, "Iterations", "integer"},
    {ID_SEED, "Random Seed", "integer"},
    {ID_AUTO_MORPH, "Auto morph maps", "integer"},
    {ID_RESET, "Reset Values", "vButton"},
    {ID_P_ANGLE_WG, "P angle weightmap", "integer"},
    {ID_ABSOLUTE, "Absolute", "integer"},
    {0, nullptr, nullptr},
};

// The value controls in the order of the control table.
const panel_field panel_fields[] = {
    {ID_NUM_CLONES, "num_clones", &params_typ::num_clones, nullptr},
    {ID_INDEPENDENT, "independent_sizes", &params_typ::independent_sizes, nullptr},
    {ID_SIZE_VAR_X, "size_var_x", nullptr, &params_typ::size_var_x},
    {ID_SIZE_VAR_Y, "size_var_y", nullptr, &params_typ::size_var_y},
    {ID_SIZE_VAR_Z, "size_var_z", nullptr, &params_typ::size_var_z},
    {ID_SIZE_WG, "size_wg", &params_typ::size_wg, nullptr},
    {ID_SIZE_WG_INFLUENCE, "size_wg_influence", nullptr, &params_typ::size_wg_influence},
    {ID_SIZE_BY_AREA, "size_by_area", &params_typ::size_by_area, nullptr},
    {ID_DEPENDENCE, "dependence_power", nullptr, &params_typ::dependence_power},
    {ID_DENSITY_WG, "density_wg", &params_typ::density_wg, nullptr},
    {ID_H_MIN, "H_min", nullptr, &params_typ::H_min},
    {ID_H_MAX, "H_max", nullptr, &params_typ::H_max},
    {ID_P_MIN, "P_min", nullptr, &params_typ::P_min},
    {ID_P_MAX, "P_max", nullptr, &params_typ::P_max},
    {ID_B_MIN, "B_min", nullptr, &params_typ::B_min},
    {ID_B_MAX, "B_max", nullptr, &params_typ::B_max},
    {ID_H_ALIGN, "H_align", &params_typ::H_align, nullptr},
    {ID_P_ALIGN, "P_align", &params_typ::P_align, nullptr},
    {ID_JITTER, "jitter", nullptr, &params_typ::jitter},
    {ID_SLOPE_LIMITS, "slope_limits", &params_typ::slope_limits, nullptr},
    {ID_SLOPE_MIN, "slope_min", nullptr, &params_typ::slope_min},
    {ID_SLOPE_MAX, "slope_max", nullptr, &params_typ::slope_max},
    {ID_DISTRIBUTION, "distribution", nullptr, &params_typ::distribution},
    {ID_ITERATIONS, "iterations", &params_typ::iterations, nullptr},
    {ID_SEED, "seed", &params_typ::seed, nullptr},
    {ID_AUTO_MORPH, "auto_morph_maps", &params_typ::auto_morph_maps, nullptr},
    {ID_P_ANGLE_WG, "P_angle_wg", &params_typ::P_angle_wg, nullptr},
    {ID_ABSOLUTE, "absolute", &params_typ::absolute, nullptr},
};
const int panel_field_count = int(sizeof(panel_fields) / sizeof(panel_fields[0]));

void set_params(params_typ* rec) {
    for (const panel_field& f : panel_fields) {
        if (f.int_field)
            xpanf->formSet(xpanel, f.id, &(rec->*f.int_field));
        else
            xpanf->formSet(xpanel, f.id, &(rec->*f.double_field));
    }
}

void get_params(params_typ* rec) {
    for (const panel_field& f : panel_fields) {
        void* value = xpanf->formGet(xpanel, f.id);
        if (!value) continue;
        if (f.int_field)
            rec->*f.int_field = *static_cast<int*>(value);
        else
            rec->*f.double_field = *static_cast<double*>(value);
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

int display_panel(params_typ* rec, char** wg_names) {
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
