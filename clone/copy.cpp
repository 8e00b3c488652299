#include "clone/copy.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "clone/chain.h"
#include "clone/globals.h"
#include "clone/placement.h"
#include "clone/template_snapshot.h"
#include "clone/transform.h"
#include "random/random.h"
#include "util/cstr.h"

namespace zelkor {

namespace {


std::string morph_output_name(const char* name) {
    Cstr out(name);
    if (morph_map_num != 0) {
        Cstr number(morph_map_num);
        out += number;
    }
    return std::string(static_cast<char*>(out));
}

const std::vector<std::string>& morph_output_names() {
    for (const auto& [number, names] : morph_names_by_number)
        if (number == morph_map_num) return names;
    std::vector<std::string> names;
    for (UV_typ* m = MMs; m; m = m->next) names.push_back(morph_output_name(m->name));
    morph_names_by_number.emplace_back(morph_map_num, std::move(names));
    return morph_names_by_number.back().second;
}

// The point map: a list searched from its head, new entries appended at its end.
bool find_in_list(LWPntID source, LWPntID* made) {
    for (IDs_typ* node = IDs; node; node = node->next)
        if (node->src_id == source) {
            *made = node->new_id;
            return true;
        }
    return false;
}

void append_to_list(LWPntID source, LWPntID made) {
    IDs_typ* node = new IDs_typ;
    node->src_id = source;
    node->new_id = made;
    if (!IDs) {
        IDs = node;
        return;
    }
    IDs_typ* last = IDs;
    while (last->next) last = last->next;
    last->next = node;
}

// Copies the value of `source` in every map of one list to `made`.
void copy_plain_maps(UV_typ* names, LWID type, int dimension, LWPntID source, LWPntID made) {
    float* value = value_buffer;
    for (UV_typ* m = names; m; m = m->next) {
        edit->pointVSet(edit->state, nullptr, type, m->name);
        if (edit->pointVGet(edit->state, source, value))
            edit->pntVMap(edit->state, made, type, m->name, dimension, value);
    }
}

void copy_morph_maps(params_typ* par, LWPntID source, LWPntID made) {
    for (UV_typ* m = MMs; m; m = m->next) {
        edit->pointVSet(edit->state, nullptr, LWVMAP_MORF, m->name);
        float* value = value_buffer;
        if (!edit->pointVGet(edit->state, source, value)) continue;
        XYZ6_typ offset;
        offset.x = value[0];
        offset.y = value[1];
        offset.z = value[2];
        offset = calc_cloned_point(offset, par);
        value[0] = float(offset.x);
        value[1] = float(offset.y);
        value[2] = float(offset.z);
        std::string name = morph_output_name(m->name);
        edit->pntVMap(edit->state, made, LWVMAP_MORF, name.c_str(), 3, value);
    }
}

LWPntID make_point(params_typ* par, LWPntID source) {
    const EDPointInfo* info = edit->pointInfo(edit->state, source);
    XYZ6_typ position(info->position);
    XYZ6_typ result = calc_cloned_point(position, par);
    result += akt_item->pos;
    return edit->addPoint(edit->state, result);
}

}  // namespace

IDs_typ::~IDs_typ() { delete_chain_after(this); }
UV_typ::~UV_typ() { delete_chain_after(this); }

void get_any_map_names(LWObjectFuncs* objects, LWID type, UV_typ** head) {
    int n = objects->numVMaps(type);
    if (n < 1) return;
    *head = map_name_chain<UV_typ>(objects, type, n);
}

bool begin_copy() {
    end_copy();
    if (use_reference_structures) return false;
    snapshot = std::make_unique<template_snapshot>(edit, template_snapshot::name_lists{UVs, WGs, MMs, MNs, STs}, value_buffer);
    if (!snapshot->usable()) snapshot.reset();
    return snapshot != nullptr;
}

void end_copy() {
    snapshot.reset();
    morph_names_by_number = {};
    drawn_clones = {};
}

void remember_draws(const params_typ* par) {
    if (!(observer_details & ZELKOR_DETAIL_DRAWS)) return;
    if (drawn_clones.empty()) drawn_clones.reserve(std::size_t(std::max(par->num_clones, 0)));
    const bool linked = par->independent_sizes != 1;
    drawn_clones.push_back({{HPB_rand.x, HPB_rand.y, HPB_rand.z},
                            {size_change_x, linked ? size_change_x : size_change_y, linked ? size_change_x : size_change_z}});
}

clone_draws draw_clone(const params_typ* par, const pos_typ& node) {
    clone_draws d{};
    d.HPB.x = losoj.z_zakresu(par->H_min, par->H_max);
    d.HPB.y = losoj.z_zakresu(par->P_min, par->P_max);
    d.HPB.z = losoj.z_zakresu(par->B_min, par->B_max);

    double f = 1.0;
    if (par->size_by_area == 1) {
        // With every target polygon degenerate there is no average to compare with: ratio 1.
        double r = poly_avg_area == 0 ? 1.0 : node.area / poly_avg_area;
        if (r < 0.7) r = 0.7;
        f = r * par->dependence_power;
    }
    d.independent = par->independent_sizes == 1;
    d.size_x = f * losoj.z_zakresu(1 - par->size_var_x, 1 + par->size_var_x);
    if (d.independent) {
        d.size_y = f * losoj.z_zakresu(1 - par->size_var_y, 1 + par->size_var_y);
        d.size_z = f * losoj.z_zakresu(1 - par->size_var_z, 1 + par->size_var_z);
    } else {
        // Not drawn: the transform reads only size_x, and the globals keep their values.
        d.size_y = size_change_y;
        d.size_z = size_change_z;
    }
    d.morph_map_num = par->auto_morph_maps != 0 ? losoj.z_zakresu(0, par->auto_morph_maps) + 1 : 0;
    return d;
}

namespace {

void keep_draws(const clone_draws& d) {
    HPB_rand = d.HPB;
    size_change_x = d.size_x;
    if (d.independent) {
        size_change_y = d.size_y;
        size_change_z = d.size_z;
    }
    morph_map_num = d.morph_map_num;
}

// Clones made on two threads: one draws each clone's values and computes its points and morph
// offsets, in clone order, with every draw of losoj in the order the copy makes it; the host's
// thread adds what was computed. A ring of slots lets the first run ahead of the second by a few
// megabytes of clones. The results are those of the one-thread copy, bit for bit.
class clone_ring {
public:
    clone_ring(const template_snapshot& shape, int count)
        : points_(shape.point_count()), morphs_(shape.morph_value_count()), count_(count) {
        const std::size_t bytes = sizeof(XYZ6_typ) * points_ + 3 * sizeof(float) * morphs_ + sizeof(slot);
        slots_ = std::max<std::size_t>(2, std::min<std::size_t>(std::size_t(count > 0 ? count : 1), (std::size_t(8) << 20) / bytes));
        batch_ = std::max<int>(1, int(slots_ / 4));
        heads_.resize(slots_);
        points_buffer_.resize(slots_ * points_);
        morph_buffer_.resize(slots_ * 3 * morphs_);
    }

    // Producer side: fills every slot in clone order.
    void produce(const template_snapshot& shape, const params_typ* par, const pos_typ* node) {
        for (int i = 0; i < count_; ++i, node = node->next) {
            const std::size_t s = std::size_t(i) % slots_;
            for (int at = made_.load(std::memory_order_acquire); i - at >= int(slots_); at = made_.load(std::memory_order_acquire))
                made_.wait(at, std::memory_order_acquire);
            if (stopped_.load(std::memory_order_acquire)) return;
            slot& head = heads_[s];
            head.draws = draw_clone(par, *node);
            head.node = node;
            const clone_transform transform(par, head.draws, *node);
            shape.compute_clone(transform, node->pos, points_buffer_.data() + s * points_, morph_buffer_.data() + s * 3 * morphs_);
            ready_.store(i + 1, std::memory_order_release);
            // Waking the other thread costs a system call: it is done once per batch.
            if ((i + 1) % batch_ == 0 || i + 1 == count_) ready_.notify_one();
        }
    }

    // Consumer side: waits for clone i and returns its slot.
    struct view {
        const clone_draws* draws;
        const pos_typ* node;
        const XYZ6_typ* points;
        const float* morphs;
    };
    view take(int i) {
        for (int at = ready_.load(std::memory_order_acquire); at <= i; at = ready_.load(std::memory_order_acquire))
            ready_.wait(at, std::memory_order_acquire);
        const std::size_t s = std::size_t(i) % slots_;
        return {&heads_[s].draws, heads_[s].node, points_buffer_.data() + s * points_, morph_buffer_.data() + s * 3 * morphs_};
    }
    void done(int i) {
        made_.store(i + 1, std::memory_order_release);
        if ((i + 1) % batch_ == 0 || i + 1 == count_) made_.notify_one();
    }
    // Lets the producer end early, when the consumer cannot go on.
    void stop() {
        stopped_.store(true, std::memory_order_release);
        made_.store(count_, std::memory_order_release);
        made_.notify_one();
    }

private:
    struct slot {
        clone_draws draws;
        const pos_typ* node;
    };
    std::size_t points_, morphs_, slots_ = 0;
    int count_;
    int batch_ = 1;
    std::vector<slot> heads_;
    std::vector<XYZ6_typ> points_buffer_;
    std::vector<float> morph_buffer_;
    std::atomic<int> ready_{0};  // clones computed
    std::atomic<int> made_{0};   // clones added
    std::atomic<bool> stopped_{false};
};

}  // namespace

void make_clones(params_typ* par, LWMonitor* monitor) {
    clone_ring ring(*snapshot, par->num_clones);
    std::thread producer([&] { ring.produce(*snapshot, par, akt_item); });
    try {
        for (int i = 0; i < par->num_clones; ++i) {
            if (monitor) monitor->step(monitor->data, 1);
            par->akt_clone = i;
            const clone_ring::view clone = ring.take(i);
            keep_draws(*clone.draws);
            remember_draws(par);
            delete IDs;
            IDs = nullptr;
            const float index = float(par->akt_clone) / float(par->num_clones);
            snapshot->add_clone(edit, clone.points, clone.morphs, index, morph_output_names());
            ring.done(i);
            akt_item = akt_item->next;
        }
    } catch (...) {
        ring.stop();
        producer.join();
        throw;
    }
    producer.join();
}

bool clone_object(params_typ* par) {
    keep_draws(draw_clone(par, *akt_item));
    delete IDs;
    IDs = nullptr;
    edit->polyScan(edit->state, poly_clone, par, OPLYR_BG);
    return true;
}

EDError poly_clone(void* data, const EDPolygonInfo* polygon) {
    params_typ* par = static_cast<params_typ*>(data);
    std::vector<LWPntID> polygon_points(std::size_t(polygon->numPnts > 0 ? polygon->numPnts : 0), nullptr);
    for (int j = 0; j < polygon->numPnts; ++j) {
        LWPntID source = polygon->points[j];
        LWPntID known = nullptr;
        if (find_in_list(source, &known)) {
            polygon_points[std::size_t(j)] = known;
            continue;
        }

        LWPntID made = make_point(par, source);
        append_to_list(source, made);
        polygon_points[std::size_t(j)] = made;

        copy_plain_maps(UVs, LWVMAP_TXUV, 2, source, made);
        copy_plain_maps(WGs, LWVMAP_WGHT, 1, source, made);
        float index = float(par->akt_clone) / float(par->num_clones);
        edit->pntVMap(edit->state, made, LWVMAP_WGHT, "ZK_index", 1, &index);
        copy_morph_maps(par, source, made);
        copy_plain_maps(MNs, LWVMAP_MNVW, 1, source, made);
        copy_plain_maps(STs, LWVMAP_SPOT, 3, source, made);
    }
    edit->addPoly(edit->state, polygon->type, polygon->pol, nullptr, polygon->numPnts, polygon_points.data());
    return EDERR_NONE;
}

}  // namespace zelkor
