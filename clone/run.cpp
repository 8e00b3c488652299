#include "clone/run.h"

#include <atomic>
#include <vector>

#include "clone/copy.h"
#include "clone/globals.h"
#include "clone/messages.h"
#include "clone/placement.h"
#include "api/controls.h"
#include "api/run_observer.h"
#include "clone/scan.h"
#include "clone/transform.h"
#include "params/panel.h"
#include "params/weight_map.h"
#include "random/random.h"

#if defined(ZELKOR_BUILDING_MODULE)
#define ZELKOR_EXPORT __attribute__((visibility("default")))
#else
#define ZELKOR_EXPORT
#endif

namespace zelkor {

namespace {


// The draws and the turn onto the polygon for record `r` of clone `index`.
void add_draws(zelkor_clone_record& r, std::size_t index, const pos_typ& node) {
    if (index >= drawn_clones.size()) return;
    const drawn_clone& d = drawn_clones[index];
    const double weight = par.size_wg > 0 ? size_weight_factor(&par, node.polygon) : 1.0;
    for (int k = 0; k < 3; ++k) {
        r.scale[k] = d.size[k] * weight;
        r.HPB[k] = d.HPB[k];
    }
    r.align_H = par.H_align == 1 ? node.H_angle : 0.0;
    r.align_P = par.P_align == 1 ? node.P_angle : 0.0;
    r.has_draws = 1;
}

void report_run() {
    if (!observer) return;
    constexpr int kBlock = 4096;
    zelkor_clone_record block[kBlock];
    const bool aligned = par.H_align == 1 || par.P_align == 1;
    const int count = par.num_clones > 0 ? par.num_clones : 0;
    std::vector<zelkor_target_polygon> polygons;
    if (observer_details & ZELKOR_DETAIL_POLYGONS) {
        polygons.reserve(std::size_t(num_polys));
        for (int k = 0; k < num_polys; ++k)
            polygons.push_back({poly_data[k].num_points, reinterpret_cast<const double*>(poly_data[k].points)});
    }
    zelkor_run_summary summary{num_polys, poly_avg_area, count, 0, 0, block, polygons.empty() ? nullptr : polygons.data()};
    if (observer_details & ZELKOR_DETAIL_TOTALS_ONLY) {
        observer(&summary, observer_context);
        return;
    }
    pos_typ* node = pos_list;
    do {
        summary.block_count = 0;
        for (; node && summary.first_clone + summary.block_count < count && summary.block_count < kBlock; node = node->next) {
            zelkor_clone_record& r = block[summary.block_count++];
            r = zelkor_clone_record{};
            r.polygon = node->polygon;
            r.pos[0] = node->pos.x;
            r.pos[1] = node->pos.y;
            r.pos[2] = node->pos.z;
            r.H_angle = node->H_angle;
            r.has_P_angle = aligned;
            r.P_angle = aligned ? node->P_angle : 0.0;
            r.has_area = par.size_by_area != 0;
            r.area = r.has_area ? node->area : 0.0;
            add_draws(r, std::size_t(summary.first_clone + summary.block_count - 1), *node);
        }
        observer(&summary, observer_context);
        summary.first_clone += summary.block_count;
    } while (summary.first_clone < count);
}

// Builds every clone along pos_list under the "Hello" monitor.
void build_clones() {
    LWMonitor* monitor = nullptr;
    if (monf) {
        monitor = monf->create("Hello", "Randomising positions...");
        if (monitor) monitor->init(monitor->data, unsigned(par.num_clones));
    }
    akt_item = pos_list;
    if (begin_copy()) {
        make_clones(&par, monitor);
    } else {
        for (int i = 0; i < par.num_clones; ++i) {
            if (monitor) monitor->step(monitor->data, 1);
            par.akt_clone = i;
            clone_object(&par);
            remember_draws(&par);
            akt_item = akt_item->next;
        }
    }
    if (monitor) {
        monitor->done(monitor->data);
        monf->destroy(monitor);
    }
}

}  // namespace

void* Startup() { return reinterpret_cast<void*>(std::uintptr_t(4)); }

void Shutdown(void*) {}

int CloneMake(int, GlobalFunc global, void* local, void*) {
    // The run lives in module-wide variables: a second activation while one runs (a host calling
    // from another thread) is refused before it touches any of them.
    static std::atomic<bool> running{false};
    if (running.exchange(true)) {
        auto* messages = static_cast<LWMessageFuncs*>(global(LWMESSAGEFUNCS_GLOBAL, GFUSE_TRANSIENT));
        if (messages) messages->error("Zelkor is already running", "Wait for the other run to finish.");
        return AFUNC_OK;
    }
    struct release_on_return {
        ~release_on_return() { running.store(false); }
    } release;

    msg = static_cast<LWMessageFuncs*>(global(LWMESSAGEFUNCS_GLOBAL, GFUSE_TRANSIENT));
    objfunc = static_cast<LWObjectFuncs*>(global(LWOBJECTFUNCS_GLOBAL, GFUSE_TRANSIENT));
    xpanf = static_cast<LWXPanelFuncs*>(global(LWXPANELFUNCS_GLOBAL, GFUSE_TRANSIENT));
    monf = static_cast<DynaMonitorFuncs*>(global(LWDYNAMONFUNCS_GLOBAL, GFUSE_TRANSIENT));

    MeshEditBegin begin = reinterpret_cast<MeshEditBegin>(local);
    edit = begin(0, 0, OPSEL_USER);
    if (!edit) return AFUNC_BADAPP;

    if (edit->polyCount(edit->state, OPLYR_FG, EDCOUNT_ALL) == 0) {
        message("Need some polys to clone on them", nullptr);
        edit->done(edit->state, EDERR_NONE, 0);
        return AFUNC_OK;
    }

    num_polys = edit->polyCount(edit->state, OPLYR_FG, EDCOUNT_SELECT);
    EDError scan_result = edit->polyScan(edit->state, check_for_nurbs, edit, OPLYR_FG);
    if (num_polys == 0) {
        message("SubDivs not supported in the foreground Layer", nullptr);
        edit->done(edit->state, EDERR_NONE, 0);
        return AFUNC_OK;
    }

    if (edit->pointCount(edit->state, OPLYR_BG, EDCOUNT_ALL) == 0) {
        message("Need some geometry in the background layer(s) to clone", nullptr);
        edit->done(edit->state, scan_result, 0);
        return AFUNC_OK;
    }

    // Without the panel or the object service the user cannot be asked: end as if cancelled.
    if (!xpanf || !objfunc) {
        edit->done(edit->state, scan_result, 0);
        return AFUNC_OK;
    }

    weight_map* wm = new weight_map(nullptr);
    wm->add_edit(edit);
    const char** wg_names = wm->get_list(objfunc);

    get_any_map_names(objfunc, LWVMAP_TXUV, &UVs);
    get_any_map_names(objfunc, LWVMAP_WGHT, &WGs);
    get_any_map_names(objfunc, LWVMAP_MORF, &MMs);
    get_any_map_names(objfunc, LWVMAP_MNVW, &MNs);
    get_any_map_names(objfunc, LWVMAP_SPOT, &STs);

    if (display_panel(&par, wg_names)) {
        get_params(&par);
        xpanf->destroy(xpanel);
        xpanel = nullptr;

        reserve_memory(num_polys);
        data = poly_data;
        poly_num = 0;
        scan_result = edit->polyScan(edit->state, polscan, &par, OPLYR_FG);
        num_polys = poly_num;

        if (num_polys == 0 && par.slope_limits == 1) {
            message("Change slope angle settings", "There are no valid polys to clone on.");
        } else {
            if (par.size_wg > 0) get_wg_info(num_polys, wm, par.size_wg);
            set_positions(wm, &par);
            const bool report_placed = (observer_details & ZELKOR_DETAIL_PLACED) && !(observer_details & ZELKOR_DETAIL_DRAWS);
            if (report_placed) report_run();
            build_clones();
            if (!report_placed) report_run();
        }
    } else if (xpanel) {
        xpanf->destroy(xpanel);
        xpanel = nullptr;
    }

    edit->done(edit->state, scan_result, 0);
    free_memory();
    delete[] wg_names;
    delete wm;
    return AFUNC_OK;
}

const ServerTagInfo mk_tags[] = {
    {"Zelkor", SRVTAG_USERNAME | LANGID_USENGLISH},
    {"Zelk", SRVTAG_BUTTONNAME | LANGID_USENGLISH},
    {"pol", SRVTAG_ENABLE},
    {nullptr, 0},
};

const ServerRecord ServerDesc[] = {
    {LWMESHEDIT_CLASS, "Zelkor", CloneMake, mk_tags},
    {nullptr, nullptr, nullptr, nullptr},
};

}  // namespace zelkor

extern "C" {

ZELKOR_EXPORT zelkor::ModuleDescriptor _mod_descrip = {
    zelkor::MOD_SYSSYNC, zelkor::MOD_SYSVER, zelkor::MOD_MACHINE, zelkor::Startup, zelkor::Shutdown, zelkor::ServerDesc,
};

ZELKOR_EXPORT void zelkor_set_run_observer(zelkor_run_observer fn, void* context, int details) {
    zelkor::observer = fn;
    zelkor::observer_context = context;
    zelkor::observer_details = fn ? details : 0;
}

ZELKOR_EXPORT void zelkor_seed_session(std::uint32_t clock_value) { zelkor::losoj.randomize(clock_value); }

ZELKOR_EXPORT const zelkor_control* zelkor_controls(void) { return zelkor::control_description(); }
}
