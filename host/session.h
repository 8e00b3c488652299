// The mesh-edit session (MeshEditOp) over a document's foreground and background layers.
//
// Edits go straight into the document, and the session keeps what it needs to take them back:
// the size of every array when it opened, the maps and tag kinds it created and the old values it
// overwrote. done(EDERR_NONE) keeps the edits; any other error takes them all back, leaving the
// document as it was. This keeps every call O(1) however large the scene.
//
// New points and polygons go into the first foreground layer and are seen at once by counts,
// pointInfo, polyInfo and polyNormal. A scan visits the elements that existed when it started.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "api/host_api.h"
#include "host/document.h"
#include "host/handles.h"
#include "host/page_warmer.h"

namespace zelkor::host {

struct SessionResult {
    bool done_called = false;
    EDError error = EDERR_NONE;      // what done was given
    bool kept = false;                // done(EDERR_NONE): the edits stay in the document
    std::size_t points_added = 0;     // counted whether kept or not
    std::size_t polygons_added = 0;
    std::size_t map_values_written = 0;
};

class Session {
public:
    // `foreground` and `background` are indices into document.layers, disjoint, each in range.
    // Polygon selection: when no foreground polygon is selected, every foreground polygon counts
    // as selected; background polygons are never selected, and every point counts as selected.
    Session(Document& document, std::span<const int> foreground, std::span<const int> background);
    ~Session();  // a session never closed takes its edits back
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The table handed to the module; its `state` is this session.
    MeshEditOp* op() { return &op_; }
    static Session* from_state(EDStateRef state) { return reinterpret_cast<Session*>(state); }

    bool is_open() const { return open_; }
    const SessionResult& result() const { return result_; }

    // The MeshEditOp calls, in C++ form. Each is O(1) per element it touches.
    void done(EDError error);
    int point_count(EltOpLayer layers, int mode) const;
    int polygon_count(EltOpLayer layers, int mode) const;
    EDError point_scan(EDPointScanFunc callback, void* data, EltOpLayer layers);
    EDError polygon_scan(EDPolyScanFunc callback, void* data, EltOpLayer layers);
    EDPointInfo* point_info(LWPntID point);
    EDPolygonInfo* polygon_info(LWPolID polygon);
    int polygon_normal(LWPolID polygon, double r_normal[3]);
    LWPntID add_point(const double position[3]);
    LWPolID add_polygon(LWID type, LWPolID template_polygon, const char* surface, int point_count,
                        const LWPntID* points);
    int choose_map(LWID type, const char* name);
    int point_map_value(LWPntID point, float* r_value);
    EDError write_map_value(LWPntID point, LWID type, const char* name, int dimension, const float* value);

private:
    enum class Role : std::uint8_t { None, Foreground, Background };
    struct LayerStart;        // array sizes when the session opened (session.cpp)
    struct OverwrittenValue;  // a map value as it was before the session first overwrote it
    // A vertex map (type, name) resolved to its index in each layer's vmaps, -1 where the layer
    // has none. pointVSet and pntVMap are called per point with a handful of names, so each name
    // is resolved once and found again by a short compare, never by a search of the layers.
    struct MapKey {
        LWID type = 0;
        std::string name;
        std::vector<int> map_by_layer;
        bool is(LWID t, const char* n) const { return type == t && std::strcmp(name.c_str(), n) == 0; }
    };

    // A handle of an element of a layer in the session; the layer and the index it encodes.
    bool valid_point(LWPntID point, std::uint32_t& r_layer, std::uint32_t& r_index) const {
        if (!point) return false;
        const ElementRef ref = point_ref(point);
        if (ref.layer >= role_by_layer_.size() || role_by_layer_[ref.layer] == Role::None) return false;
        if (ref.index >= document_.layers[ref.layer].point_count()) return false;
        r_layer = ref.layer;
        r_index = ref.index;
        return true;
    }
    bool valid_polygon(LWPolID polygon, std::uint32_t& r_layer, std::uint32_t& r_index) const {
        if (!polygon) return false;
        const ElementRef ref = polygon_ref(polygon);
        if (ref.layer >= role_by_layer_.size() || role_by_layer_[ref.layer] == Role::None) return false;
        if (ref.index >= document_.layers[ref.layer].polygon_count()) return false;
        r_layer = ref.layer;
        r_index = ref.index;
        return true;
    }
    bool selected(std::uint32_t layer, std::uint32_t polygon) const;
    template <class Visit> void for_each_layer(EltOpLayer layers, Visit visit) const;
    int layer_number(std::uint32_t layer) const;
    void fill_point_info(EDPointInfo& info, std::vector<float>& values, std::uint32_t layer, std::uint32_t index) const;
    void fill_polygon_info(EDPolygonInfo& info, std::vector<LWPntID>& points, std::uint32_t layer,
                           std::uint32_t index) const;
    const VertexMap* chosen_map(std::uint32_t layer) const;
    int map_key(LWID type, const char* name);  // index in map_keys_, added when new
    int find_or_add_key(LWID type, const char* name);  // map_key without the memory of pointers
    int surface_tag(const char* surface);
    void remember_old_value(std::uint32_t layer, int map, std::uint32_t point);
    void warm_ahead(std::uint32_t layer, int map, VertexMap& m);
    void take_back();

    Document& document_;
    MeshEditOp op_{};
    bool open_ = true;
    SessionResult result_;

    std::vector<int> foreground_;
    std::vector<int> background_;
    std::vector<Role> role_by_layer_;
    bool foreground_has_selection_ = false;
    std::vector<std::size_t> selected_count_by_layer_;  // marked selected at opening
    std::vector<LayerStart> start_by_layer_;
    std::size_t start_tag_count_ = 0;
    std::size_t start_surface_count_ = 0;
    std::vector<OverwrittenValue> overwritten_;

    std::vector<MapKey> map_keys_;
    struct KeyByText {
        const char* text = nullptr;
        int key = -1;
    };
    std::array<KeyByText, 32> key_by_text_{};  // map_key's memory of names by their text pointer
    std::size_t next_text_slot_ = 0;           // the one to replace next
    std::unordered_map<std::string, int> key_by_name_;  // type's four bytes, then the name
    int chosen_key_ = -1;       // set by pointVSet, read by pointVGet and vmapVec
    int last_written_key_ = -1; // pntVMap's last map, tried first
    // Where each growing vertex map (layer << 32 | map) next gets room mapped ahead of it.
    struct WarmMark {
        std::size_t next_page = 0;
        const void* storage = nullptr;
    };
    std::unordered_map<std::uint64_t, WarmMark> warm_marks_;
    std::unique_ptr<AheadWarmer> ahead_;
    std::string last_surface_;  // addPoly's last surface argument and its tag
    int last_surface_tag_ = -1;

    EDPointInfo point_info_{};  // pointInfo's answer, separate from a scan's
    std::vector<float> point_info_values_;
    EDPolygonInfo polygon_info_{};
    std::vector<LWPntID> polygon_info_points_;
    std::vector<std::uint32_t> new_polygon_points_;  // addPoly's scratch
};

}  // namespace zelkor::host
