#include "io/finite_values.h"

#include <cmath>
#include <limits>
#include <span>
#include <string>

#include "io/file_error.h"

namespace zelkor::io {

namespace {

// Whether every value stays finite when rounded to float, in one pass without branches (the
// compiler vectorises it): millions of coordinates are checked before every save. A double rounds
// to a finite float below FLT_MAX plus half a step (2^103); at that midpoint it rounds to even,
// which is infinity. NaN fails the comparison.
bool all_finite_as_float(const double* values, std::size_t count) {
    constexpr double kLimit = 0x1.ffffffp+127;
    bool finite = true;
    for (std::size_t i = 0; i < count; ++i) finite &= std::fabs(values[i]) < kLimit;
    return finite;
}

// Whether no value is infinite or NaN, in one pass without branches.
bool all_finite(std::span<const float> values) {
    bool finite = true;
    for (float v : values) finite &= std::fabs(v) <= std::numeric_limits<float>::max();
    return finite;
}

}  // namespace

void refuse_non_finite(const host::Document& document, const std::filesystem::path& path) {
    for (const host::Layer& layer : document.layers) {
        const std::string where = "layer " + std::to_string(layer.number);
        if (!all_finite_as_float(layer.positions.data(), layer.positions.size()))
            for (std::size_t i = 0; i < layer.positions.size(); ++i)
                if (!std::isfinite(float(layer.positions[i])))
                    throw FileError(path, where + ": point " + std::to_string(i / 3) + " has a coordinate that is not finite as a float");
        for (const host::VertexMap& map : layer.vmaps) {
            if (all_finite(map.stored_values())) continue;
            map.for_each_value([&](std::uint32_t point, const float* values) {
                for (int d = 0; d < map.dimension; ++d)
                    if (!std::isfinite(values[d]))
                        throw FileError(path, where + " " + host::id_text(map.type) + " \"" + map.name + "\": point " +
                                                  std::to_string(point) + " has a value that is not finite");
            });
        }
        for (const host::DiscontinuousMap& map : layer.vmads)
            for (std::size_t e = 0; e < map.values.size(); ++e)
                if (!std::isfinite(map.values[e])) {
                    const std::size_t entry = e / std::size_t(map.dimension);
                    throw FileError(path, where + " " + host::id_text(map.type) + " \"" + map.name + "\": point " +
                                              std::to_string(map.points[entry]) + " of polygon " +
                                              std::to_string(map.polygons[entry]) + " has a value that is not finite");
                }
    }
}

}  // namespace zelkor::io
