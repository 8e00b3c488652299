#include "cli/run_estimate.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <unordered_set>

#include "cli/usage_error.h"
#include "io/mesh_file.h"

namespace zelkor::cli {

namespace {

}  // namespace

double planned_value(const Controls& controls, const RunSetup& setup, const char* field) {
    const ControlInfo* control = controls.find(field);
    if (!control) return 0;
    double value = control->default_value;
    auto take = [&](const host::PanelValue& v) {
        if (const int* i = std::get_if<int>(&v)) value = *i;
        if (const double* d = std::get_if<double>(&v)) value = *d;
    };
    for (const ControlValue& v : setup.saved)
        if (v.control == control) take(v.value);
    for (const PanelAction& a : setup.actions)
        if (a.kind == PanelAction::Kind::Set && a.control == control) take(a.value);
    return value;
}

namespace {

std::string bytes_text(double bytes) {
    char text[32];
    if (bytes >= double(1ull << 30)) std::snprintf(text, sizeof text, "%.1f GiB", bytes / double(1ull << 30));
    else if (bytes >= double(1ull << 20)) std::snprintf(text, sizeof text, "%.0f MiB", bytes / double(1ull << 20));
    else std::snprintf(text, sizeof text, "%.0f KiB", bytes / double(1ull << 10));
    return text;
}

// Tries beyond this take hours: a few hundred nanoseconds each on today's machines.
constexpr std::uint64_t kReasonableTries = 4000000000;
// What LWO2 indexes in a layer (VX), and the corners of one of its polygons.
constexpr std::uint64_t kLwoMaxIndex = 0xFFFFFF;
constexpr std::uint64_t kLwoMaxCorners = 1023;
// A glTF binary buffer's length is a 32-bit number.
constexpr std::uint64_t kGltfMaxBytes = 0xFFFFFFFFull;

}  // namespace

std::uint64_t default_memory_limit() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGE_SIZE);
    return pages > 0 && page > 0 ? std::uint64_t(pages) * std::uint64_t(page) / 2 : std::uint64_t(8) << 30;
}

RunEstimate estimate_run(const RunSetup& setup, const Controls& controls, const std::string& output, const std::string& instances) {
    RunEstimate e;
    const double clones = std::max(0.0, planned_value(controls, setup, "num_clones"));
    e.clones = std::uint64_t(clones);
    e.iterations = std::uint64_t(std::max(0.0, planned_value(controls, setup, "iterations")));

    // One clone: the template's polygons and the points they use, with those points' map values.
    const host::Document& document = setup.object.document;
    std::uint64_t points = 0, polygons = 0, corners = 0, values = 0, value_bytes = 0;
    for (int index : setup.background) {
        const host::Layer& layer = document.layers[std::size_t(index)];
        std::unordered_set<std::uint32_t> used(layer.poly_points.begin(), layer.poly_points.end());
        points += used.size();
        polygons += layer.polygon_count();
        corners += layer.poly_points.size();
        for (std::size_t p = 0; p < layer.polygon_count(); ++p)
            e.largest_polygon = std::max<std::uint64_t>(e.largest_polygon, layer.polygon(p).size());
        for (const host::VertexMap& map : layer.vmaps)
            map.for_each_value([&](std::uint32_t point, const float*) {
                if (!used.count(point)) return;
                ++values;
                value_bytes += 4 * std::uint64_t(map.dimension);
            });
    }
    values += points;  // "ZK_index"
    value_bytes += 4 * points;
    e.points = e.clones * points;
    e.polygons = e.clones * polygons;
    e.per_clone = {points, polygons, corners};
    e.map_values = e.clones * values;
    const host::Layer* first = setup.foreground.empty() ? nullptr : &document.layers[std::size_t(setup.foreground.front())];
    e.layer_points = (first ? first->point_count() : 0) + e.points;
    e.layer_polygons = (first ? first->polygon_count() : 0) + e.polygons;

    // Output bytes, per format; LWO is exact but for index widths, the others near enough.
    const std::string format = io::lower_extension(output);
    double per_clone = 0;
    // (Measured on the bundled rock: LWO 774 bytes a clone, OBJ 1,770, GLB 2,288.) glTF has a
    // vertex per point and normal: between the points (all smooth) and the corners (all sharp).
    if (format == ".lwo") per_clone = 12.0 * points + 2.0 * polygons + 4.0 * corners + 6.0 * polygons + 4.0 * values + value_bytes;
    else if (format == ".obj") per_clone = 60.0 * points + 3.0 * polygons + 16.0 * corners + 2.0 * value_bytes;
    else if (points > 0)
        per_clone = (double(points) + double(corners)) / 2 * (40.0 + double(value_bytes) / double(points)) +
                    12.0 * (double(corners) - 2.0 * double(polygons));
    // Instanced: the transforms alone (gpu: 44 bytes of floats; nodes and table: text).
    if (!instances.empty()) per_clone = instances == "gpu" ? 44.0 : instances == "nodes" ? 220.0 : 330.0;
    e.output_bytes = std::uint64_t(per_clone * clones);

    // Memory: the document's new elements, the placement's per-clone records, and the file where
    // a format is built in memory before it is written (OBJ text, the glTF model and its copy).
    const double document_bytes = 24.0 * points + 4.0 * corners + 19.0 * polygons + value_bytes + values;
    // The factors are measured peaks over the file's size: OBJ text grows by doubling; the glTF
    // model, its buffers and the serialised file are alive at once.
    const double in_memory_output = format == ".lwo" ? 0.0 : format == ".obj" ? 2.0 : 3.5;
    double loaded_bytes = 0;  // what the target and template already hold
    for (const host::Layer& layer : document.layers) {
        loaded_bytes += 24.0 * double(layer.point_count()) + 4.0 * double(layer.poly_points.size()) + 19.0 * double(layer.polygon_count());
        for (const host::VertexMap& map : layer.vmaps)
            map.for_each_value([&](std::uint32_t, const float*) { loaded_bytes += 5.0 + 4.0 * map.dimension; });
    }
    // The placement's tables over the target polygons, while the clones' room is already set aside:
    // each polygon's prepared frame (two vectors of doubles a corner), its area and weights.
    double target_bytes = 0;
    for (int index : setup.foreground) {
        const host::Layer& layer = document.layers[std::size_t(index)];
        target_bytes += 48.0 * double(layer.poly_points.size()) + 16.0 * double(layer.polygon_count());
    }
    e.memory_bytes = std::uint64_t(loaded_bytes + target_bytes + clones * (document_bytes + 250.0) +
                                   in_memory_output * double(e.output_bytes));
    return e;
}

void refuse_unbounded_run(const RunEstimate& e, const std::string& output, std::uint64_t max_memory, bool force) {
    const std::string run = "num_clones " + std::to_string(e.clones) + ": ";
    if (e.memory_bytes > max_memory)
        throw UsageError(run + "the run would need about " + bytes_text(double(e.memory_bytes)) + " of memory (" +
                         std::to_string(e.points) + " points, " + std::to_string(e.polygons) + " polygons, " +
                         std::to_string(e.map_values) + " map values), more than the limit of " +
                         bytes_text(double(max_memory)) + " (--max-memory)");
    if (e.layer_points > 0xFFFFFFFFull)
        throw UsageError(run + "the layer would hold " + std::to_string(e.layer_points) +
                         " points, more than the 4294967296 a layer holds");
    const std::string format = io::lower_extension(output);
    if (format == ".lwo" && e.layer_points > kLwoMaxIndex + 1)
        throw UsageError(run + "-o " + output + ": the layer would hold " + std::to_string(e.layer_points) +
                         " points, more than the 16777216 an LWO layer can index");
    if (format == ".lwo" && e.layer_polygons > kLwoMaxIndex + 1)
        throw UsageError(run + "-o " + output + ": the layer would hold " + std::to_string(e.layer_polygons) +
                         " polygons, more than the 16777216 an LWO layer can index");
    if (format == ".lwo" && e.largest_polygon > kLwoMaxCorners)
        throw UsageError("-o " + output + ": the template has a polygon of " + std::to_string(e.largest_polygon) +
                         " corners, more than the 1023 an LWO polygon holds");
    if ((format == ".glb" || format == ".gltf") && e.output_bytes > kGltfMaxBytes)
        throw UsageError(run + "-o " + output + ": about " + bytes_text(double(e.output_bytes)) +
                         " of glTF data, more than the 4 GiB a glTF buffer holds");
    const std::uint64_t tries = e.clones * (e.iterations + 1);  // both below 2^31
    if (!force && tries > kReasonableTries)
        throw UsageError(run + "iterations " + std::to_string(e.iterations) + ": up to " + std::to_string(tries) +
                         " tries, which could take hours; give --force to run anyway");
}

}  // namespace zelkor::cli
