#include "clone/placement.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "clone/globals.h"
#include "clone/spacing_grid.h"
#include "math/face.h"
#include "random/polygon_sampler.h"
#include "util/ascending_order.h"
#include "util/huge_page_allocator.h"
#include "util/page_prefault.h"

namespace zelkor {

namespace {


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
// them one by one with add_item gives (ascending x, equal x in placement order), as one block.
void link_sorted(position_nodes& placed) {
    if (std::any_of(placed.begin(), placed.end(), [](const pos_typ& n) { return std::isnan(n.pos.x); })) {
        // NaN breaks the ordering a sort needs; insert one by one exactly as add_item does.
        position_block = std::move(placed);
        for (pos_typ& node : position_block) link_in_order(&node);
        return;
    }
    // Copied in that order, so that every later walk along pos_list reads memory in order (a
    // million nodes linked where they lie cost a cache miss each, walk after walk).
    const std::size_t n = placed.size();
    const std::vector<std::uint32_t> order = ascending_order(n, [&](std::size_t i) { return placed[i].pos.x; });
    position_block.clear();
    position_block.reserve(n);
    // The nodes are read in an order of their own: each is fetched some nodes ahead.
    constexpr std::size_t kAhead = 16;
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kAhead < n) __builtin_prefetch(&placed[order[i + kAhead]]);
        position_block.push_back(placed[order[i]]);
    }
    placed = {};
    for (std::size_t i = 0; i < n; ++i) position_block[i].next = i + 1 < n ? &position_block[i + 1] : nullptr;
    pos_list = n == 0 ? nullptr : &position_block.front();
}

// Threads for work that splits without changing its results.
int worker_count() { return int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u)); }

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

bool draws_heading(const XYZ6_typ& nrm) {
    return !(nrm.z < -0.001 || nrm.z > 0.001) && !(nrm.x > 0.001) && !(nrm.x < -0.001);
}

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
    if (!position_block.empty()) {
        position_block = {};
        pos_list = nullptr;
        return;
    }
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

namespace {

// What the fast path keeps per target polygon: a weight computed on the polygon's first use and
// looked up after, or computed for all polygons at once when most of them will be drawn (in index
// order, the host's reads then run through memory in order). The document does not change while
// positions are placed, and a polygon's weight does not depend on the point, so every later
// computation would give the same value.
class polygon_cache {
public:
    explicit polygon_cache(int count) : values_(std::size_t(count > 0 ? count : 0)), known_(values_.size(), 0) {}
    template <class Compute>
    void fill(Compute compute) {
        for (std::size_t k = 0; k < values_.size(); ++k) values_[k] = compute(int(k));
        std::fill(known_.begin(), known_.end(), std::uint8_t(1));
    }
    template <class Compute>
    double get(int index, Compute compute) {
        if (!known_[std::size_t(index)]) {
            values_[std::size_t(index)] = compute(index);
            known_[std::size_t(index)] = 1;
        }
        return values_[std::size_t(index)];
    }
    // For a value kept beside another cache's: stored without being marked known.
    void set(int index, double value) { values_[std::size_t(index)] = value; }
    double value(int index) const { return values_[std::size_t(index)]; }
    void prefetch(int index) const {
        __builtin_prefetch(values_.data() + index);
        __builtin_prefetch(known_.data() + index);
    }

private:
    std::vector<double, huge_page_allocator<double>> values_;
    std::vector<std::uint8_t, huge_page_allocator<std::uint8_t>> known_;
};

// The box around every finite point of the target polygons.
void target_bounds(XYZ6_typ& r_low, XYZ6_typ& r_high) {
    const double inf = std::numeric_limits<double>::infinity();
    r_low = XYZ6_typ(inf);
    r_high = XYZ6_typ(-inf);
    for (int k = 0; k < num_polys; ++k)
        for (int i = 0; i < poly_data[k].num_points; ++i) {
            const XYZ6_typ& p = poly_data[k].points[i];
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) continue;
            r_low = XYZ6_typ(std::min(r_low.x, p.x), std::min(r_low.y, p.y), std::min(r_low.z, p.z));
            r_high = XYZ6_typ(std::max(r_high.x, p.x), std::max(r_high.y, p.y), std::max(r_high.z, p.z));
        }
}

// The direct structures: every draw computed afresh, every position linked into pos_list at once.
struct direct_placement {
    weight_map* wm;
    params_typ* par;
    random& rng;

    void draw_candidate(int& r_polygon, XYZ6_typ& r_point) {
        r_polygon = rng.z_zakresu(0, num_polys - 1);
        r_point = rng.z_polygonu(&poly_data[r_polygon]);
    }
    double area(int k) { return calc_poly_area(k, poly_data); }
    double weight(int k, const XYZ6_typ& c, weight_map::WG_typ* entry) {
        return entry ? wm->calc_weight(poly_data[k].polID, c, entry->name) : 1.0;
    }
    double pitch_weight(int k, const XYZ6_typ& c, weight_map::WG_typ* entry) { return weight(k, c, entry); }
    void anticipate() {}
    alignment align(int k) { return align_with_normal(poly_data[k].normal, rng); }
    pos_typ* place(const XYZ6_typ& c) { return add_item(c); }
    void finish() {}
};

// The fast structures, with the same results: prepared polygon frames, per-polygon areas and
// weights, a grid for the spacing test, and one sort at the end that links the positions as
// insertion one by one would.
struct fast_placement {
    weight_map* wm;
    params_typ* par;
    random& rng;
    double base;
    // Both are released before the final sort, which needs memory of its own.
    std::optional<polygon_sampler> sampler{std::in_place, poly_data, num_polys, worker_count()};
    std::vector<double> areas;
    polygon_cache density{num_polys}, pitch{num_polys};
    // The turn onto each polygon's normal, worked out on its first clone, when there are clones
    // enough for polygons to take several; a level polygon draws a heading for every clone.
    bool cache_turns = par->num_clones >= 2 * num_polys;
    polygon_cache turn_P{cache_turns ? num_polys : 0}, turn_H{cache_turns ? num_polys : 0};
    std::optional<spacing_grid> grid;
    position_nodes placed;  // reserved in full: nodes never move while placing
    std::optional<page_prefault> prefault;  // maps the room of `placed` and the grid ahead of the placing
    // Tries worked out ahead, from the values the generator will give: ahead[0] is the next try,
    // ahead[1] the one after it. Each starts at generator word `start`, takes `draws` draws and
    // gives `polygon` and `point`.
    struct foreseen_try {
        bool valid = false;
        int start = 0;
        int draws = 0;
        int polygon = 0;
        XYZ6_typ point;
    };
    foreseen_try ahead[2];
    // The polygon the word at generator index `word` gives, worked out by the last anticipation
    // (-1: none). Forgotten at every draw that may regenerate the generator, after which the same
    // index names another word.
    struct {
        int word = -1;
        int index = 0;
    } known_polygon;

    fast_placement(weight_map* wm_, params_typ* par_, random& rng_, std::vector<double>&& areas_, double base_)
        : wm(wm_), par(par_), rng(rng_), base(base_), areas(std::move(areas_)), grid(make_grid(base_, par_->num_clones)) {
        placed.reserve(std::size_t(std::max(par->num_clones, 0)));
        std::vector<std::span<std::byte>> room{spare_capacity(placed)};
        grid->spare_room(room);
        prefault.emplace(std::move(room));
        active_grid = &*grid;
        // Draws land on about three polygons per clone: when that covers most of the table, the
        // weights are best computed in one pass.
        const bool most_drawn = 3.0 * par->num_clones >= num_polys;
        weight_map::WG_typ* density_entry = wm && par->density_wg != 0 ? wm->get_name(par->density_wg) : nullptr;
        weight_map::WG_typ* pitch_entry = wm && par->P_angle_wg != 0 && (par->H_align == 1 || par->P_align == 1)
                                              ? wm->get_name(par->P_angle_wg) : nullptr;
        if (most_drawn && density_entry)
            density.fill([&](int k) { return wm->calc_weight(poly_data[k].polID, XYZ6_typ(), density_entry->name); });
        if (most_drawn && pitch_entry)
            pitch.fill([&](int k) { return wm->calc_weight(poly_data[k].polID, XYZ6_typ(), pitch_entry->name); });
    }
    ~fast_placement() { active_grid = nullptr; }

    static spacing_grid make_grid(double base, int clones) {
        XYZ6_typ low, high;
        target_bounds(low, high);
        return spacing_grid(low, high, base, std::size_t(std::max(clones, 0)));
    }

    // The try's polygon and point. When the try starts where an anticipation foresaw, the
    // candidate worked out then is the one these draws give: the draws are only taken.
    void draw_candidate(int& r_polygon, XYZ6_typ& r_point) {
        const foreseen_try& next = ahead[0];
        if (next.valid && rng.mti == next.start) {
            // Every one of these words was peeked, so none needs a regeneration: taking them is
            // moving past them.
            rng.mti += next.draws;
            r_polygon = next.polygon;
            r_point = next.point;
            return;
        }
        known_polygon.word = -1;  // the draws may regenerate the generator: its indices start again
        r_polygon = rng.z_zakresu(0, num_polys - 1);
        r_point = sampler->draw(rng, r_polygon);
    }
    double area(int k) { return areas[std::size_t(k)]; }
    double weight(int k, const XYZ6_typ& c, weight_map::WG_typ* entry) {
        if (!entry) return 1.0;
        return density.get(k, [&](int) { return wm->calc_weight(poly_data[k].polID, c, entry->name); });
    }
    double pitch_weight(int k, const XYZ6_typ& c, weight_map::WG_typ* entry) {
        if (!entry) return 1.0;
        return pitch.get(k, [&](int) { return wm->calc_weight(poly_data[k].polID, c, entry->name); });
    }

    // Fetching ahead. The tries to come draw from the same generator, so the values it will give
    // are known now. Each try works out the candidate of the try after next, from a polygon
    // block fetched one try ago, and fetches its grid cells; and fetches the block of the try
    // after that. Data fetched one try ahead arrives too late to help. A guess is wrong when a try
    // takes other draws than foreseen (an accepted clone on a level polygon draws a heading); a
    // wrong guess only fetches in vain.
    void anticipate() {
        if (ahead[1].valid && ahead[1].start == rng.mti) {
            ahead[0] = ahead[1];
        } else if (!foresee(0, ahead[0])) {
            ahead[1].valid = false;
            return;
        }
        if (!foresee(ahead[0].draws, ahead[1])) return;
        grid->prefetch(ahead[1].point, base);
        const int last = num_polys - 1;
        double r;
        if (last != 0 && !rng.peek(ahead[0].draws + ahead[1].draws, r)) return;
        const int after = last != 0 ? random::int_in_range(0, last, r) : 0;
        known_polygon = {rng.mti + ahead[0].draws + ahead[1].draws, after};
        sampler->prefetch(after);
        __builtin_prefetch(&poly_data[after].normal);
        if (cache_turns) turn_P.prefetch(after), turn_H.prefetch(after);
        if (par->size_by_area != 0) __builtin_prefetch(areas.data() + after);
        if (par->density_wg != 0) density.prefetch(after);
        // And the block of the try two beyond `after`, the draws in between guessed at three a
        // try, as most polygons take: fetched one try ahead, a block arrives too late to help.
        if (last != 0 && rng.peek(ahead[0].draws + ahead[1].draws + 6, r)) sampler->prefetch(random::int_in_range(0, last, r));
    }
    // The try that starts `offset` words from now, when the generator can look that far.
    bool foresee(int offset, foreseen_try& r_try) const {
        r_try.valid = false;
        const int last = num_polys - 1;
        int used = offset;
        double r;
        int polygon = 0;
        if (last != 0 && known_polygon.word == rng.mti + offset) {
            polygon = known_polygon.index;  // drawn from that word one try ago
            ++used;
        } else if (last != 0) {
            if (!rng.peek(used++, r)) return false;
            polygon = random::int_in_range(0, last, r);
        }
        XYZ6_typ point;
        int draws;
        if (!sampler->foresee(rng, polygon, used, point, draws)) return false;
        r_try = {true, rng.mti + offset, used + draws - offset, polygon, point};
        return true;
    }

    alignment align(int k) {
        const XYZ6_typ& normal = poly_data[k].normal;
        if (draws_heading(normal)) {
            known_polygon.word = -1;  // as a draw of the try's own
            return align_with_normal(normal, rng);
        }
        if (!cache_turns) return align_with_normal(normal, rng);
        alignment turn;
        turn.P = turn_P.get(k, [&](int) {
            const alignment computed = align_with_normal(normal, rng);
            turn_H.set(k, computed.H);
            return computed.P;
        });
        turn.H = turn_H.value(k);
        return turn;
    }

    pos_typ* place(const XYZ6_typ& c) {
        pos_typ& node = placed.emplace_back();
        node.pos = c;
        grid->add(c);
        return &node;
    }
    void finish() {
        prefault.reset();
        active_grid = nullptr;
        grid.reset();
        sampler.reset();
        link_sorted(placed);
    }
};

template <class Structures>
void place_clones(Structures& s, weight_map* wm, params_typ* par, double base, LWMonitor* monitor) {
    const int N = par->iterations;
    // The spacing of each try, worked out once for every try count a clone can reach (the same
    // expression on the same values, so the same distances).
    std::vector<double> spacing(std::size_t(std::clamp(N, 0, 4096)) + 1);
    for (std::size_t t = 1; t < spacing.size(); ++t) spacing[t] = base / (double(t) / double(N) + 1.0);
    weight_map::WG_typ* density_entry = wm ? wm->get_name(par->density_wg) : nullptr;
    weight_map::WG_typ* pitch_entry = wm ? wm->get_name(par->P_angle_wg) : nullptr;
    for (int i = 0; i < par->num_clones; ++i) {
        long long tries = 0;  // iterations may be INT_MAX: the count must not overflow before it passes it
        int k;
        XYZ6_typ c;
        double a = 0.0;
        double w = 1.0;
        for (;;) {
            s.draw_candidate(k, c);
            if (par->size_by_area != 0) a = s.area(k);
            if (par->density_wg != 0 && wm) w = s.weight(k, c, density_entry);
            ++tries;
            if (tries > N) break;
            s.anticipate();
            const double d = tries < (long long)spacing.size() ? spacing[std::size_t(tries)] : base / (double(tries) / double(N) + 1.0);
            if (check_pos(par, &c, a, w, d)) break;
        }

        pos_typ* node = s.place(c);
        node->polygon = k;
        if (par->size_by_area != 0) node->area = a;
        if (par->H_align == 1 || par->P_align == 1) {
            alignment turn = s.align(k);
            if (par->P_angle_wg != 0 && wm) {
                if (par->absolute == 1) turn.P = kHalfPi;
                turn.P = turn.P + s.pitch_weight(k, c, pitch_entry) * kHalfPi;
            }
            node->P_angle = turn.P;
            node->H_angle = turn.H;
        } else {
            node->H_angle = 0.0;
        }
        if (monitor) monitor->step(monitor->data, 1);
    }
    s.finish();
}

}  // namespace

void set_positions(weight_map* wm, params_typ* par) {
    const int n = num_polys;
    // The total is the sum of the polygon areas in index order, as calc_area adds them; the fast
    // path keeps each area for the draws.
    std::vector<double> areas;
    double total;
    if (use_reference_structures) {
        total = calc_area(poly_data, n);
    } else {
        areas.resize(std::size_t(std::max(n, 0)));
        total = 0.0;
        for (int k = 0; k < n; ++k) total += areas[std::size_t(k)] = calc_poly_area(k, poly_data);
    }
    const double base = par->distribution * std::sqrt(total / double(par->num_clones));
    poly_avg_area = total / n;

    if (pos_list) delete_positions(par->num_clones);

    // Opened once the placement's tables are laid out: a host may start work of its own when a
    // long task begins (the stand-in host maps memory for the clones), and large allocations
    // queue behind whatever holds the process's memory map.
    LWMonitor* monitor = nullptr;
    auto open_monitor = [&] {
        if (!monf) return;
        monitor = monf->create("Please wait", "Randomising positions...");
        if (monitor) monitor->init(monitor->data, unsigned(par->num_clones));
    };

    random rng;
    rng.fixed(par->seed);

    if (use_reference_structures) {
        direct_placement s{wm, par, rng};
        open_monitor();
        place_clones(s, wm, par, base, monitor);
    } else {
        fast_placement s(wm, par, rng, std::move(areas), base);
        open_monitor();
        place_clones(s, wm, par, base, monitor);
    }

    if (monitor) {
        monitor->done(monitor->data);
        monf->destroy(monitor);
    }
}

}  // namespace zelkor
