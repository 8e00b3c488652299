#include "random/polygon_sampler.h"

#include <algorithm>
#include <thread>

#include "math/axes.h"
#include "math/turn.h"
#include "random/local_outline.h"

namespace zelkor {

namespace {

bool has_frame(const face6_typ& face) { return face.points != nullptr && face.num_points >= 3; }

}  // namespace

polygon_sampler::polygon_sampler(const face6_typ* table, int count, int threads) : table_(table) {
    const std::size_t n = std::size_t(std::max(count, 0));
    const bool uniform = n > 0 && std::all_of(table, table + n, [&](const face6_typ& face) {
        return has_frame(face) && face.num_points == table[0].num_points;
    });
    if (uniform) {
        stride_ = kHeader + std::size_t(table[0].num_points);
        blocks_.resize(n * stride_);
    } else {
        offset_.resize(n + 1);
        offset_[0] = 0;
        for (std::size_t k = 0; k < n; ++k)
            offset_[k + 1] = offset_[k] + (has_frame(table[k]) ? kHeader + std::size_t(table[k].num_points) : 0);
        blocks_.resize(offset_[n]);
    }

    threads = std::clamp(threads, 1, int(n / 4096) + 1);
    std::vector<std::thread> helpers;
    const int step = int((n + std::size_t(threads) - 1) / std::size_t(threads));
    for (int t = 1; t < threads; ++t) helpers.emplace_back([this, t, step, count] { prepare(t * step, std::min(count, (t + 1) * step)); });
    prepare(0, std::min(count, step));
    for (std::thread& helper : helpers) helper.join();
}

void polygon_sampler::prepare(int first, int last) {
    for (int k = first; k < last; ++k) {
        const face6_typ& face = table_[k];
        if (!has_frame(face)) continue;
        axes_typ axes;
        axes.axis_Y = ~face.normal;
        axes.axis_X = face.points[1] - face.points[0];
        axes.calc_transf_angles();
        // to_local turns by the negated angles, to_global by the angles, each as rotate_* does.
        const axis_turn into_y = axis_turn::about_y(-axes.angle_Y), into_z = axis_turn::about_x_or_z(-axes.angle_Z),
                        into_x = axis_turn::about_x_or_z(-axes.angle_X);
        const axis_turn out[3] = {axis_turn::about_x_or_z(axes.angle_X), axis_turn::about_x_or_z(axes.angle_Z),
                                  axis_turn::about_y(axes.angle_Y)};

        XYZ6_typ* block = blocks_.data() + start_of(std::size_t(k));
        const XYZ6_typ origin = face.points[0];
        const double identity = (out[0].identity ? 1 : 0) + (out[1].identity ? 2 : 0) + (out[2].identity ? 4 : 0);
        block[0] = origin;
        block[1] = XYZ6_typ(out[0].s, out[0].c, out[1].s);
        block[2] = XYZ6_typ(out[1].c, out[2].s, out[2].c);
        block[3] = XYZ6_typ(identity, double(face.num_points), 0.0);
        const bool shift = origin != 0.0;
        XYZ6_typ* local = block + kHeader;
        for (int i = 0; i < face.num_points; ++i) {
            XYZ6_typ p = face.points[i];
            if (shift) p = p - origin;
            local[i] = into_x.x(into_z.z(into_y.y(p)));
        }
    }
}

template <class Draw>
XYZ6_typ polygon_sampler::point(int index, Draw&& draw) const {
    if (!has_block(std::size_t(index))) return XYZ6_typ();
    const XYZ6_typ* block = blocks_.data() + start_of(std::size_t(index));
    const int identity = int(block[3].x);
    XYZ6_typ point = local_outline_point(block + kHeader, int(block[3].y), draw);
    point = axis_turn{block[1].x, block[1].y, (identity & 1) != 0}.x(point);
    point = axis_turn{block[1].z, block[2].x, (identity & 2) != 0}.z(point);
    point = axis_turn{block[2].y, block[2].z, (identity & 4) != 0}.y(point);
    return point.move(block[0]);
}

XYZ6_typ polygon_sampler::draw(random& rng, int index) const {
    return point(index, [&rng](double a, double b) { return rng.z_zakresu(a, b); });
}

bool polygon_sampler::foresee(const random& rng, int index, int ahead, XYZ6_typ& r_point, int& r_draws) const {
    bool seen = true;
    int used = 0;
    r_point = point(index, [&](double a, double b) {
        if (a == b) return a;
        double r;
        if (!rng.peek(ahead + used, r)) {
            seen = false;
            return a;
        }
        ++used;
        return random::real_in_range(a, b, r);
    });
    r_draws = used;
    return seen;
}

}  // namespace zelkor
