#include "clone/placement.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "clone/globals.h"
#include "clone/spacing_grid.h"
#include "math/face.h"

namespace zelkor {

namespace {

// The grid that answers the spacing test while set_positions runs on the fast path; null on the
// reference path, where the test walks pos_list.
spacing_grid* active_grid = nullptr;

constexpr double kHalfPi = 1.5707963267949;
constexpr double kPi = 3.1415926535898;
constexpr double kPiSingle = 3.1415927410125732;

// The walk of the x-sorted list: nodes at or left of c.x - d are passed over, the first node
// beyond c.x + d ends the search.
bool list_is_blocked(const XYZ6_typ& c, double d) {
    for (pos_typ* q = pos_list; q; q = q->next) {
        if (q->pos.x > c.x + d) return false;
        XYZ6_typ from = c;
        if (q->pos.x > c.x - d && d > from.calc_distance(q->pos)) return true;
    }
    return false;
}

// Links `node` into pos_list after every node whose x is not greater than its own.
void link_in_order(pos_typ* node) {
    const double x = node->pos.x;
    if (!pos_list || pos_list->pos.x > x) {
        node->next = pos_list;
        pos_list = node;
        return;
    }
    pos_typ* at = pos_list;
    while (at->next && !(at->next->pos.x > x)) at = at->next;
    node->next = at->next;
    at->next = node;
}

// Links the nodes, given in the order they were placed, into pos_list in the order that inserting
// them one by one with add_item gives: ascending x, equal x in placement order.
void link_sorted(std::vector<pos_typ*>& nodes) {
    bool any_nan = std::any_of(nodes.begin(), nodes.end(), [](const pos_typ* n) { return std::isnan(n->pos.x); });
    if (any_nan) {
        // NaN breaks the ordering a sort needs; insert one by one exactly as add_item does.
        for (pos_typ* node : nodes) link_in_order(node);
        return;
    }
    std::stable_sort(nodes.begin(), nodes.end(), [](const pos_typ* a, const pos_typ* b) { return a->pos.x < b->pos.x; });
    for (std::size_t i = 0; i < nodes.size(); ++i) nodes[i]->next = i + 1 < nodes.size() ? nodes[i + 1] : nullptr;
    pos_list = nodes.empty() ? nullptr : nodes.front();
}

// The density test's upper bound, truncated toward zero; bounds beyond int (or NaN, from a NaN
// weight) take the largest int so that the draw stays defined.
int density_bound(double v) {
    if (!(v < double(INT_MAX))) return INT_MAX;
    return int(v);
}

}  // namespace

pos_typ::pos_typ()
    : polygon(0),
      H_angle(std::numeric_limits<double>::quiet_NaN()),
      P_angle(std::numeric_limits<double>::quiet_NaN()),
      area(std::numeric_limits<double>::quiet_NaN()) {}

alignment align_with_normal(const XYZ6_typ& nrm, random& rng) {
    alignment r{0.0, 0.0};
    double nx = nrm.x, ny = nrm.y, nz = nrm.z;
    r.P = (-1 < ny && ny < 1) ? std::acos(ny) : 0.0;
    if (nz < -0.001 || nz > 0.001) {
        r.H = std::acos(nx / std::sqrt(nx * nx + nz * nz));
        if (nz < 0) r.H = -r.H;
    } else if (nx > 0.001) {
        r.H = 0.0;
    } else if (nx < -0.001) {
        r.H = kPi;
    } else {
        r.H = rng.z_zakresu(-kPiSingle, kPiSingle);
    }
    return r;
}

bool check_pos(params_typ* par, XYZ6_typ* c, double a, double w, double d0) {
    double d = d0;
    if (par->size_by_area != 0 && poly_avg_area > a) {
        double r = a / poly_avg_area;
        if (r < 0.5) r = 0.5;
        d = d0 * r;
    }
    if (par->density_wg != 0) {
        double s = w * 100;
        if (s < -1)
            d = d * (-s / 20 + 1);
        else if (s > 1)
            d = d / (s / 20 + 1);
        double v = s + 100;
        if (v <= 20) return false;
        if (losoj.z_zakresu(1, density_bound(v)) <= 4) return false;
    }
    if (active_grid) return !active_grid->is_blocked(*c, d);
    return !list_is_blocked(*c, d);
}

pos_typ* add_item(XYZ6_typ c) {
    pos_typ* node = new pos_typ;
    node->pos = c;
    link_in_order(node);
    return node;
}

void delete_positions(int at_most) {
    for (int i = 0; pos_list && i < at_most; ++i) {
        pos_typ* next = pos_list->next;
        delete pos_list;
        pos_list = next;
    }
    pos_list = nullptr;
}

void get_wg_info(int n, weight_map* wm, int m) {
    delete[] WG_val;
    WG_val = new double[std::size_t(std::max(n, 0))];
    weight_map::WG_typ* e = wm->get_name(m);
    for (int i = 0; i < n; ++i)
        WG_val[i] = e ? wm->calc_weight(poly_data[i].polID, XYZ6_typ(0.0), e->name) : 1.0;
}

void set_positions(weight_map* wm, params_typ* par) {
    const int n = num_polys;
    const int N = par->iterations;
    const double total = calc_area(poly_data, n);
    const double base = par->distribution * std::sqrt(total / double(par->num_clones));
    poly_avg_area = total / n;

    if (pos_list) delete_positions(par->num_clones);

    LWMonitor* monitor = nullptr;
    if (monf) {
        monitor = monf->create("Please wait", "Randomising positions...");
        if (monitor) monitor->init(monitor->data, unsigned(par->num_clones));
    }

    random rng;
    rng.fixed(par->seed);

    weight_map::WG_typ* density_entry = wm ? wm->get_name(par->density_wg) : nullptr;

    std::unique_ptr<spacing_grid> grid;
    std::vector<pos_typ*> placed;
    if (!use_reference_structures) {
        grid = std::make_unique<spacing_grid>(base);
        active_grid = grid.get();
        placed.reserve(std::size_t(std::max(par->num_clones, 0)));
    }

    for (int i = 0; i < par->num_clones; ++i) {
        int tries = 0;
        int k;
        XYZ6_typ c;
        double a = 0.0;
        double w = 1.0;
        for (;;) {
            k = rng.z_zakresu(0, n - 1);
            c = rng.z_polygonu(&poly_data[k]);
            if (par->size_by_area != 0) a = calc_poly_area(k, poly_data);
            if (par->density_wg != 0 && wm)
                w = density_entry ? wm->calc_weight(poly_data[k].polID, c, density_entry->name) : 1.0;
            ++tries;
            if (tries > N) break;
            if (check_pos(par, &c, a, w, base / (double(tries) / double(N) + 1.0))) break;
        }

        pos_typ* node;
        if (grid) {
            node = new pos_typ;
            node->pos = c;
            placed.push_back(node);
            grid->add(c);
        } else {
            node = add_item(c);
        }
        node->polygon = k;
        if (par->size_by_area != 0) node->area = a;
        if (par->H_align == 1 || par->P_align == 1) {
            alignment turn = align_with_normal(poly_data[k].normal, rng);
            if (par->P_angle_wg != 0 && wm) {
                weight_map::WG_typ* pitch_entry = wm->get_name(par->P_angle_wg);
                if (par->absolute == 1) turn.P = kHalfPi;
                double wp = pitch_entry ? wm->calc_weight(poly_data[k].polID, c, pitch_entry->name) : 1.0;
                turn.P = turn.P + wp * kHalfPi;
            }
            node->P_angle = turn.P;
            node->H_angle = turn.H;
        } else {
            node->H_angle = 0.0;
        }
        if (monitor) monitor->step(monitor->data, 1);
    }

    if (grid) {
        link_sorted(placed);
        active_grid = nullptr;
    }
    if (monitor) {
        monitor->done(monitor->data);
        monf->destroy(monitor);
    }
}

}  // namespace zelkor
