#include "clone/copy.h"

#include <memory>
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

// The template as read once for this run, or null while clones are made by scanning it.
std::unique_ptr<template_snapshot> snapshot;
// The morph-map names with a clone's number appended, by number, made once per number.
std::vector<std::pair<int, std::vector<std::string>>> morph_names_by_number;

// A host writes as many floats as the map it reads has dimensions; a file may give any map up to
// 65535 of them, so the buffer holds that many.
float value_buffer[65536];

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
    XYZ6_typ position(const_cast<double*>(info->position));
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

void begin_copy() {
    end_copy();
    if (use_reference_structures) return;
    snapshot = std::make_unique<template_snapshot>(edit, template_snapshot::name_lists{UVs, WGs, MMs, MNs, STs}, value_buffer);
    if (!snapshot->usable()) snapshot.reset();
}

void end_copy() {
    snapshot.reset();
    morph_names_by_number = {};
}

bool clone_object(params_typ* par) {
    HPB_rand.x = losoj.z_zakresu(par->H_min, par->H_max);
    HPB_rand.y = losoj.z_zakresu(par->P_min, par->P_max);
    HPB_rand.z = losoj.z_zakresu(par->B_min, par->B_max);

    double f = 1.0;
    if (par->size_by_area == 1) {
        // With every target polygon degenerate there is no average to compare with: ratio 1.
        double r = poly_avg_area == 0 ? 1.0 : akt_item->area / poly_avg_area;
        if (r < 0.7) r = 0.7;
        f = r * par->dependence_power;
    }
    if (par->independent_sizes == 1) {
        size_change_x = f * losoj.z_zakresu(1 - par->size_var_x, 1 + par->size_var_x);
        size_change_y = f * losoj.z_zakresu(1 - par->size_var_y, 1 + par->size_var_y);
        size_change_z = f * losoj.z_zakresu(1 - par->size_var_z, 1 + par->size_var_z);
    } else {
        size_change_x = f * losoj.z_zakresu(1 - par->size_var_x, 1 + par->size_var_x);
    }

    delete IDs;
    IDs = nullptr;

    morph_map_num = par->auto_morph_maps != 0 ? losoj.z_zakresu(0, par->auto_morph_maps) + 1 : 0;

    if (snapshot) {
        const clone_transform transform(par);
        const float index = float(par->akt_clone) / float(par->num_clones);
        snapshot->add_clone(edit, transform, akt_item->pos, index, morph_output_names());
    } else {
        edit->polyScan(edit->state, poly_clone, par, OPLYR_BG);
    }
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
