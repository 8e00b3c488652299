#include "io/finite_values.h"

#include <cmath>
#include <string>

#include "io/file_error.h"

namespace zelkor::io {

void refuse_non_finite(const host::Document& document, const std::filesystem::path& path) {
    for (const host::Layer& layer : document.layers) {
        const std::string where = "layer " + std::to_string(layer.number);
        for (std::size_t i = 0; i < layer.positions.size(); ++i)
            if (!std::isfinite(float(layer.positions[i])))
                throw FileError(path, where + ": point " + std::to_string(i / 3) + " has a coordinate that is not finite as a float");
        for (const host::VertexMap& map : layer.vmaps) {
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
