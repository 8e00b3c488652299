#include "cli/web_scene.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "cli/json_text.h"

namespace zelkor::cli {

namespace {

using Matrix3 = std::array<std::array<double, 3>, 3>;

// A polygon's corners in the page's order (reversed, since z is mirrored), as a fan.
void add_fan(std::span<const std::uint32_t> corners, std::uint32_t base, std::vector<std::uint32_t>& indices) {
    if (corners.size() < 3) return;
    const std::size_t last = corners.size() - 1;
    for (std::size_t k = 1; k + 1 < corners.size(); ++k) {
        indices.push_back(base + corners[last]);
        indices.push_back(base + corners[last - k]);
        indices.push_back(base + corners[last - k - 1]);
    }
}

Matrix3 inverse(const Matrix3& m) {
    const double a = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    const double b = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    const double c = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    const double det = m[0][0] * a + m[0][1] * b + m[0][2] * c;
    Matrix3 r{};
    r[0] = {a / det, (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det, (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det};
    r[1] = {b / det, (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det, (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det};
    r[2] = {c / det, (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det, (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det};
    return r;
}

// One template point as the clones see it: the first corner that uses it, by polygon in scan
// order (the module makes a clone's points in this order, one per template point it meets).
struct TemplateCorner {
    std::size_t polygon;  // in the scan of the template layers
    std::size_t corner;
    std::array<double, 3> position;
};

std::vector<TemplateCorner> template_corners(const host::Document& document, const std::vector<int>& layers,
                                             std::size_t& polygon_count) {
    std::vector<TemplateCorner> corners;
    polygon_count = 0;
    for (int l : layers) {
        const host::Layer& layer = document.layers[std::size_t(l)];
        std::vector<std::uint8_t> seen(layer.point_count(), 0);
        for (std::size_t p = 0; p < layer.polygon_count(); ++p, ++polygon_count) {
            const std::span<const std::uint32_t> points = layer.polygon(p);
            for (std::size_t c = 0; c < points.size(); ++c) {
                if (seen[points[c]]) continue;
                seen[points[c]] = 1;
                const double* x = layer.position(points[c]);
                corners.push_back({polygon_count, c, {x[0], x[1], x[2]}});
            }
        }
    }
    return corners;
}

}  // namespace

std::string base64(const void* data, std::size_t bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto* in = static_cast<const std::uint8_t*>(data);
    std::string text;
    text.reserve((bytes + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes; i += 3) {
        const std::uint32_t n = std::uint32_t(in[i]) << 16 | (i + 1 < bytes ? std::uint32_t(in[i + 1]) << 8 : 0) |
                                (i + 2 < bytes ? std::uint32_t(in[i + 2]) : 0);
        text += kDigits[n >> 18 & 63];
        text += kDigits[n >> 12 & 63];
        text += i + 1 < bytes ? kDigits[n >> 6 & 63] : '=';
        text += i + 2 < bytes ? kDigits[n & 63] : '=';
    }
    return text;
}

std::string mesh_json(const host::Document& document, const std::vector<int>& layers) {
    std::vector<float> positions;
    std::vector<std::uint32_t> indices;
    for (int l : layers) {
        const host::Layer& layer = document.layers[std::size_t(l)];
        const std::uint32_t base = std::uint32_t(positions.size() / 3);
        for (std::size_t i = 0; i < layer.point_count(); ++i) {
            const double* x = layer.position(i);
            positions.insert(positions.end(), {float(x[0]), float(x[1]), float(-x[2])});
        }
        for (std::size_t p = 0; p < layer.polygon_count(); ++p) add_fan(layer.polygon(p), base, indices);
    }
    return "{\"points\":" + std::to_string(positions.size() / 3) + ",\"positions\":\"" +
           base64(positions.data(), positions.size() * sizeof(float)) + "\",\"indices\":\"" +
           base64(indices.data(), indices.size() * sizeof(std::uint32_t)) + "\"}";
}

CloneTransforms clone_transforms(const host::Document& document, int layer_index, std::size_t polygons_before,
                                 const std::vector<int>& template_layers) {
    CloneTransforms clones;
    std::size_t per_clone = 0;
    const std::vector<TemplateCorner> corners = template_corners(document, template_layers, per_clone);
    const host::Layer& layer = document.layers[std::size_t(layer_index)];
    if (per_clone == 0 || corners.empty() || layer.polygon_count() < polygons_before) return clones;
    clones.count = (layer.polygon_count() - polygons_before) / per_clone;

    // The template's centroid and spread, shared by every clone's fit: with p' = p - centre,
    // A = (sum q p'^T) (sum p' p'^T)^-1 and b = mean(q) - A centre. A flat or straight template
    // leaves the spread singular; a small ridge makes the fit take nothing from the missing
    // directions instead of dividing by zero.
    std::array<double, 3> centre{};
    for (const TemplateCorner& c : corners)
        for (int i = 0; i < 3; ++i) centre[std::size_t(i)] += c.position[std::size_t(i)] / double(corners.size());
    Matrix3 spread{};
    for (const TemplateCorner& c : corners)
        for (std::size_t i = 0; i < 3; ++i)
            for (std::size_t j = 0; j < 3; ++j) spread[i][j] += (c.position[i] - centre[i]) * (c.position[j] - centre[j]);
    const double trace = spread[0][0] + spread[1][1] + spread[2][2];
    for (std::size_t i = 0; i < 3; ++i) spread[i][i] += trace > 0 ? 1e-9 * trace : 1.0;
    const Matrix3 inverse_spread = inverse(spread);

    const host::VertexMap* index_map = layer.find_vmap(LWVMAP_WGHT, "ZK_index");
    clones.rows.resize(clones.count * 12);
    if (index_map) clones.index.resize(clones.count);
    for (std::size_t k = 0; k < clones.count; ++k) {
        const std::size_t first_polygon = polygons_before + k * per_clone;
        Matrix3 cross{};
        std::array<double, 3> mean{};
        std::uint32_t first_point = 0;
        for (std::size_t n = 0; n < corners.size(); ++n) {
            const TemplateCorner& c = corners[n];
            const std::uint32_t point = layer.polygon(first_polygon + c.polygon)[c.corner];
            if (n == 0) first_point = point;
            const double* q = layer.position(point);
            for (std::size_t i = 0; i < 3; ++i) {
                mean[i] += q[i] / double(corners.size());
                for (std::size_t j = 0; j < 3; ++j) cross[i][j] += q[i] * (c.position[j] - centre[j]);
            }
        }
        float* row = clones.rows.data() + 12 * k;
        for (std::size_t i = 0; i < 3; ++i) {
            // z is mirrored on both sides: entry (i, j) changes sign when exactly one of i, j is z.
            const double si = i == 2 ? -1 : 1;
            double offset = mean[i];
            for (std::size_t j = 0; j < 3; ++j) {
                double a = 0;
                for (std::size_t m = 0; m < 3; ++m) a += cross[i][m] * inverse_spread[m][j];
                offset -= a * centre[j];
                row[4 * i + j] = float(a * si * (j == 2 ? -1 : 1));
            }
            row[4 * i + 3] = float(offset * si);
        }
        if (index_map && index_map->has_value(first_point)) clones.index[k] = index_map->value(first_point)[0];
    }
    return clones;
}

std::string transforms_json(const CloneTransforms& clones) {
    return "{\"count\":" + std::to_string(clones.count) + ",\"transforms\":\"" +
           base64(clones.rows.data(), clones.rows.size() * sizeof(float)) + "\",\"index\":" +
           (clones.index.empty() ? std::string("null")
                                 : "\"" + base64(clones.index.data(), clones.index.size() * sizeof(float)) + "\"") +
           "}";
}

}  // namespace zelkor::cli
