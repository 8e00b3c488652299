// LWOB (and LWLO) reader, mapped onto the LWO2 model: SRFS names become the tag list, each
// polygon's surface number a SURF tag, detail polygons ordinary polygons right after their parent.
// LWOB SURF chunks have a different sub-chunk format, so only their names are kept.
#include <string>
#include <vector>

#include "io/lwo_ids.h"
#include "io/lwo_read.h"
#include "io/lwo_read_state.h"

namespace zelkor::io {

namespace {

using namespace lwo;

class LwobReader {
public:
    LwobReader(std::span<const std::uint8_t> file, const std::filesystem::path& name, bool layered)
        : state_(file, name), layered_(layered) {}

    host::Document read(const IffForm& form) {
        for (const IffChunk& chunk : form.chunks) read_chunk(chunk);
        check_surface_numbers();
        return state_.take_document();
    }

private:
    void read_chunk(const IffChunk& chunk) {
        ChunkCursor in = state_.cursor(chunk);
        switch (chunk.id) {
            case kSrfs:
                while (!in.at_end()) state_.document().tags.push_back(in.s0());
                break;
            case kPnts: state_.read_points(in); break;
            case kPols: read_polygons(in, LWPOLTYPE_FACE); break;
            case kPchs: read_polygons(in, LWPOLTYPE_PTCH); break;
            case kSurf: read_surface_name(in); break;
            // Curves hold point indices in a layout of their own; nothing edits them, so they go.
            case kCrvs: break;
            default:
                if (layered_ && chunk.id == kLayr) {
                    read_layer(in);
                } else {
                    auto data = in.rest();
                    state_.document().chunks.push_back({chunk.id, {data.begin(), data.end()}});
                }
        }
    }

    void read_layer(ChunkCursor& in) {
        host::Layer layer;
        // LWLO numbers layers from 1; LWO2 files store the same layer one lower.
        std::uint16_t number = in.u2();
        layer.number = number > 0 ? number - 1 : 0;
        in.u2();  // flags: the foreground layer then, not the hidden state of LWO2
        layer.name = in.s0();
        state_.open_layer(std::move(layer));
    }

    void read_polygons(ChunkCursor& in, LWID type) {
        state_.start_polygons();
        while (!in.at_end()) {
            std::int16_t surface = read_polygon(in, type);
            if (surface < 0) {
                std::size_t at = in.offset();
                std::int16_t details = in.i2();
                if (details < 0) in.fail(at, "detail polygon count " + std::to_string(details) + " is negative");
                for (int i = 0; i < details; ++i) read_polygon(in, type);
            }
        }
    }

    // One record; returns its surface number as stored (negative when detail polygons follow).
    std::int16_t read_polygon(ChunkCursor& in, LWID type) {
        std::size_t at = in.offset();
        std::uint16_t count = in.u2();
        if (count == 0) in.fail(at, "polygon with 0 vertices");
        corners_.clear();
        for (std::uint16_t i = 0; i < count; ++i) {
            std::size_t index_at = in.offset();
            corners_.push_back(state_.point_index(in, index_at, in.u2()));
        }
        std::size_t surface_at = in.offset();
        std::int16_t surface = in.i2();
        if (surface == 0) in.fail(surface_at, "surface number 0, they count from 1");
        std::int32_t tag = (surface < 0 ? -std::int32_t(surface) : std::int32_t(surface)) - 1;
        state_.add_polygon(in, at, type, corners_, 0);
        host::Layer& layer = state_.layer();
        state_.set_tag(in, at, LWPTAG_SURF, std::uint32_t(layer.polygon_count() - 1), tag);
        // SRFS may come after POLS, so the numbers are checked once every chunk is read.
        if (tag >= highest_tag_) {
            highest_tag_ = tag;
            highest_tag_at_ = surface_at;
            highest_tag_label_ = in.label();
        }
        return surface;
    }

    void check_surface_numbers() {
        std::size_t names = state_.document().tags.size();
        if (highest_tag_ >= 0 && std::size_t(highest_tag_) >= names)
            throw_chunk_error(state_.name(), highest_tag_label_, highest_tag_at_,
                     "surface number " + std::to_string(highest_tag_ + 1) + ", SRFS has " + counted(names, "name"));
    }

    void read_surface_name(ChunkCursor& in) {
        std::string name = in.s0();
        if (!state_.document().find_surface(name)) state_.document().surfaces.push_back({name, {}});
    }

    LwoReadState state_;
    bool layered_;
    std::vector<std::uint32_t> corners_;
    std::int32_t highest_tag_ = -1;
    std::size_t highest_tag_at_ = 0;
    std::string highest_tag_label_;
};

}  // namespace

host::Document read_lwob_form(const IffForm& form, std::span<const std::uint8_t> file,
                              const std::filesystem::path& name_for_errors, bool layered) {
    return LwobReader(file, name_for_errors, layered).read(form);
}

}  // namespace zelkor::io
