// What a surface looks like, read from its LightWave SURF data: the colour (COLR), the diffuse
// and specular levels (DIFF, SPEC), the smoothing angle (SMAN) and whether both sides show (SIDE), for the formats that
// describe materials (OBJ's .mtl, glTF). A surface without SURF data, or without one of these
// sub-chunks, takes the value a new LightWave surface has.
#pragma once

#include <array>
#include <string_view>
#include <unordered_map>

#include "host/document.h"

namespace zelkor::io {

struct SurfaceLook {
    std::array<float, 3> colour{200.0f / 255, 200.0f / 255, 200.0f / 255};
    float diffuse = 1.0f;
    float specular = 0.0f;
    bool double_sided = false;
    // Polygons meeting at a smaller angle share their normals. Without SMAN: 60 degrees, so that a
    // curved surface looks curved and a box keeps its edges.
    float smoothing_angle = 1.04719755f;
};

// Damaged SURF data is read as far as it goes; what could not be read keeps its default.
SurfaceLook surface_look(const host::Surface* surface);

// The looks of a document's surfaces by name, through a hash: a writer asks once per material,
// and an object may have thousands. The first surface of a name answers, as find_surface does.
class SurfaceLooks {
public:
    explicit SurfaceLooks(const host::Document& document);
    SurfaceLook operator()(std::string_view name) const;

private:
    std::unordered_map<std::string_view, const host::Surface*> by_name_;
};

}  // namespace zelkor::io
