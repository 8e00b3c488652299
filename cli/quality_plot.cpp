#include "cli/quality_plot.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

// Debian's libstb-dev; the writer is compiled in here, private to this file.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_easy_font.h>
#include <stb/stb_image_write.h>

#include "io/atomic_file.h"

namespace zelkor::cli {

namespace {

constexpr int kViewSize = 720;  // the longer side of the top view, pixels
constexpr int kMargin = 20;
constexpr int kLegendWidth = 300;
constexpr int kLegendHeight = 330;
constexpr int kLineHeight = 24;

struct Rgb {
    std::uint8_t r, g, b;
};
constexpr Rgb kPolygon{235, 235, 235}, kOutline{190, 190, 190}, kGap{220, 30, 30},
    kText{30, 30, 30};

// Clone i of n on a dark-blue-to-yellow ramp (five stops of a perceptually even colour map), so
// that the order clones were built in shows as a sweep of colour.
Rgb clone_colour(std::size_t i, std::size_t n) {
    static constexpr std::array<Rgb, 5> stops = {{{68, 1, 84}, {59, 82, 139}, {33, 145, 140}, {94, 201, 98}, {253, 231, 37}}};
    const double t = n > 1 ? double(i) / double(n - 1) * double(stops.size() - 1) : 0.0;
    const std::size_t k = std::min(std::size_t(t), stops.size() - 2);
    const double f = t - double(k);
    const auto mix = [&](std::uint8_t a, std::uint8_t b) { return std::uint8_t(std::lround(a + (b - a) * f)); };
    return {mix(stops[k].r, stops[k + 1].r), mix(stops[k].g, stops[k + 1].g), mix(stops[k].b, stops[k + 1].b)};
}

// Where world x and z land in the image.
struct View {
    double min_x = 0, max_z = 0, scale = 1;
    int width = 0, height = 0;
    int legend_x = 0;  // the legend's left edge
    double dot = 2;    // a clone's radius, pixels
    bool outlines = false;

    double px(double x) const { return kMargin + (x - min_x) * scale; }
    double py(double z) const { return kMargin + (max_z - z) * scale; }
};

View view_of(const ScatterSample& s, const ScatterQuality& q) {
    double low[2] = {0, 0}, high[2] = {0, 0};
    bool any = false;
    const auto take = [&](const std::vector<double>& xyz) {
        for (std::size_t k = 0; k + 2 < xyz.size(); k += 3) {
            const double x = xyz[k], z = xyz[k + 2];
            if (!std::isfinite(x) || !std::isfinite(z)) continue;
            if (!any) low[0] = high[0] = x, low[1] = high[1] = z, any = true;
            low[0] = std::min(low[0], x), high[0] = std::max(high[0], x);
            low[1] = std::min(low[1], z), high[1] = std::max(high[1], z);
        }
    };
    take(s.polygon_points);
    take(s.positions);
    View v;
    const double extent = std::max(high[0] - low[0], high[1] - low[1]);
    v.scale = extent > 0 ? kViewSize / extent : 1.0;
    v.min_x = low[0];
    v.max_z = high[1];
    const int view_width = int(std::ceil((high[0] - low[0]) * v.scale)), view_height = int(std::ceil((high[1] - low[1]) * v.scale));
    v.legend_x = 2 * kMargin + view_width;
    v.width = v.legend_x + kLegendWidth;
    v.height = std::max(2 * kMargin + view_height, kLegendHeight);
    v.dot = std::isfinite(q.d_max) ? std::clamp(0.3 * q.d_max * v.scale, 1.0, 4.0) : 2.0;
    // Outlines of polygons a few pixels wide would turn the view grey.
    v.outlines = q.polygons > 0 && std::sqrt(q.area / double(q.polygons)) * v.scale >= 6;
    return v;
}

std::string figure(double value, const char* format) {
    if (!std::isfinite(value)) return "n/a";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::vector<std::pair<std::string, std::string>> legend_lines(const ScatterQuality& q) {
    return {{"clones", std::to_string(q.clones)},
            {"polygons", std::to_string(q.polygons)},
            {"rho", figure(q.rho, "%.3f")},
            {"mean NN ratio", figure(q.mean_nn_ratio, "%.3f")},
            {"coverage", figure(q.coverage, "%.3f")},
            {"p-value", figure(q.p_value, "%.3g")}};
}

bool gap_known(const ScatterQuality& q) { return std::isfinite(q.widest_gap) && q.gap_clone < q.clones; }

// ---- SVG ----

void append(std::string& out, const char* format, auto... values) {
    char text[256];
    const int n = std::snprintf(text, sizeof text, format, values...);
    out.append(text, std::size_t(std::clamp(n, 0, int(sizeof text) - 1)));
}

std::string hex(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '&') out += "&amp;";
        else out += c;
    }
    return out;
}

}  // namespace

std::optional<PlotFormat> plot_format(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".svg") return PlotFormat::svg;
    if (extension == ".png") return PlotFormat::png;
    return std::nullopt;
}

std::string plot_svg(const ScatterSample& s, const ScatterQuality& q) {
    const View v = view_of(s, q);
    std::string out;
    append(out, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\">\n", v.width,
           v.height, v.width, v.height);
    append(out, "<rect width=\"%d\" height=\"%d\" fill=\"#ffffff\"/>\n", v.width, v.height);
    // Without outlines the fill's own colour closes the hairline seams between polygons.
    out += "<path fill=\"" + hex(kPolygon) + "\" stroke=\"" + hex(v.outlines ? kOutline : kPolygon) +
           "\" stroke-width=\"0.5\" stroke-linejoin=\"round\" d=\"";
    for (std::size_t k = 0; k < s.polygon_count(); ++k) {
        const std::size_t first = s.polygon_starts[k], end = s.polygon_starts[k + 1];
        if (end - first < 3) continue;
        for (std::size_t j = first; j < end; ++j)
            append(out, "%s%.1f %.1f", j == first ? "M" : "L", v.px(s.polygon_points[3 * j]), v.py(s.polygon_points[3 * j + 2]));
        out += "Z";
    }
    out += "\"/>\n<g>\n";
    for (std::size_t i = 0; i < s.clone_count(); ++i)
        append(out, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%.2g\" fill=\"%s\"/>\n", v.px(s.positions[3 * i]),
               v.py(s.positions[3 * i + 2]), v.dot, hex(clone_colour(i, s.clone_count())).c_str());
    out += "</g>\n";
    if (gap_known(q)) {
        const double gx = v.px(q.gap_point[0]), gy = v.py(q.gap_point[2]);
        const double* c = &s.positions[3 * q.gap_clone];
        append(out, "<g stroke=\"%s\" stroke-width=\"2\" fill=\"none\">\n", hex(kGap).c_str());
        append(out, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%.1f\"/>\n", gx, gy, q.widest_gap * v.scale);
        append(out, "<path d=\"M%.1f %.1fL%.1f %.1fM%.1f %.1fL%.1f %.1f\"/>\n", gx - 5, gy - 5, gx + 5, gy + 5, gx - 5,
               gy + 5, gx + 5, gy - 5);
        append(out, "<path stroke-dasharray=\"4 3\" d=\"M%.1f %.1fL%.1f %.1f\"/>\n</g>\n", gx, gy, v.px(c[0]), v.py(c[2]));
    }
    // The legend.
    const int x = v.legend_x;
    out += "<g font-family=\"sans-serif\" font-size=\"15\" fill=\"" + hex(kText) + "\">\n";
    int y = kMargin + 16;
    append(out, "<text x=\"%d\" y=\"%d\" font-weight=\"bold\">Scatter quality</text>\n", x, y);
    for (const auto& [label, value] : legend_lines(q)) {
        y += kLineHeight;
        append(out, "<text x=\"%d\" y=\"%d\">%s</text>", x, y, escaped(label).c_str());
        append(out, "<text x=\"%d\" y=\"%d\" text-anchor=\"end\">%s</text>\n", x + kLegendWidth - 2 * kMargin, y,
               escaped(value).c_str());
    }
    y += kLineHeight + 4;
    append(out, "<circle cx=\"%d\" cy=\"%d\" r=\"7\" fill=\"none\" stroke=\"%s\" stroke-width=\"2\"/>", x + 7, y - 5,
           hex(kGap).c_str());
    append(out, "<text x=\"%d\" y=\"%d\">widest gap</text>\n", x + 24, y);
    y += kLineHeight;
    out += "<defs><linearGradient id=\"clone-index\">";
    for (int k = 0; k <= 4; ++k)
        append(out, "<stop offset=\"%d%%\" stop-color=\"%s\"/>", 25 * k, hex(clone_colour(std::size_t(k), 5)).c_str());
    out += "</linearGradient></defs>\n";
    append(out, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"12\" fill=\"url(#clone-index)\"/>\n", x, y - 10,
           kLegendWidth - 2 * kMargin);
    y += kLineHeight - 4;
    append(out, "<text x=\"%d\" y=\"%d\">first clone</text>", x, y);
    append(out, "<text x=\"%d\" y=\"%d\" text-anchor=\"end\">last clone</text>\n", x + kLegendWidth - 2 * kMargin, y);
    y += kLineHeight;
    append(out, "<text x=\"%d\" y=\"%d\" font-size=\"12\">top view: x right, z up</text>\n</g>\n</svg>\n", x, y);
    return out;
}

namespace {

// ---- PNG ----

class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), rgb_(std::size_t(width) * std::size_t(height) * 3, 255) {}

    void pixel(int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
        std::uint8_t* p = &rgb_[(std::size_t(y) * std::size_t(width_) + std::size_t(x)) * 3];
        p[0] = c.r, p[1] = c.g, p[2] = c.b;
    }

    // The pixels whose centres lie inside the triangle, whichever way round it turns.
    void triangle(const double x[3], const double y[3], Rgb c) {
        const double area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
        if (area == 0 || !std::isfinite(area)) return;
        const int x0 = clamp_x(std::floor(std::min({x[0], x[1], x[2]}))), x1 = clamp_x(std::ceil(std::max({x[0], x[1], x[2]})));
        const int y0 = clamp_y(std::floor(std::min({y[0], y[1], y[2]}))), y1 = clamp_y(std::ceil(std::max({y[0], y[1], y[2]})));
        for (int py = y0; py <= y1; ++py)
            for (int px = x0; px <= x1; ++px) {
                const double cx = px + 0.5, cy = py + 0.5;
                bool inside = true;
                for (int e = 0; e < 3 && inside; ++e) {
                    const int f = (e + 1) % 3;
                    const double edge = (x[f] - x[e]) * (cy - y[e]) - (cx - x[e]) * (y[f] - y[e]);
                    inside = area > 0 ? edge >= 0 : edge <= 0;
                }
                if (inside) pixel(px, py, c);
            }
    }

    // Pixels within `outer` of (cx, cy) and beyond `inner`.
    void ring(double cx, double cy, double inner, double outer, Rgb c) {
        if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(outer)) return;
        const int x0 = clamp_x(std::floor(cx - outer)), x1 = clamp_x(std::ceil(cx + outer));
        const int y0 = clamp_y(std::floor(cy - outer)), y1 = clamp_y(std::ceil(cy + outer));
        for (int py = y0; py <= y1; ++py)
            for (int px = x0; px <= x1; ++px) {
                const double dx = px + 0.5 - cx, dy = py + 0.5 - cy, d = dx * dx + dy * dy;
                if (d <= outer * outer && d >= inner * inner) pixel(px, py, c);
            }
    }

    void line(double x0, double y0, double x1, double y1, Rgb c, int dash = 0) {
        const double steps = std::ceil(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0)));
        if (!std::isfinite(steps) || steps > 1e5) return;
        for (int k = 0; k <= int(steps); ++k) {
            if (dash && (k / dash) % 2) continue;
            const double t = steps > 0 ? k / steps : 0;
            pixel(int(std::floor(x0 + (x1 - x0) * t)), int(std::floor(y0 + (y1 - y0) * t)), c);
        }
    }

    void rect(int x0, int y0, int x1, int y1, Rgb c) {
        for (int y = std::max(y0, 0); y < std::min(y1, height_); ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, width_); ++x) pixel(x, y, c);
    }

    // stb_easy_font's glyphs, built of rectangles, drawn `scale` times their size; (x, y) is the
    // top left corner.
    void text(int x, int y, const std::string& text, Rgb c, int scale = 2) {
        std::string copy = text;
        std::vector<char> buffer(300 * (copy.size() + 1));
        const int quads = stb_easy_font_print(0, 0, copy.data(), nullptr, buffer.data(), int(buffer.size()));
        for (int q = 0; q < quads; ++q) {
            float corner[4][4];
            std::memcpy(corner, &buffer[std::size_t(q) * 64], sizeof corner);
            rect(x + int(std::lround(corner[0][0] * scale)), y + int(std::lround(corner[0][1] * scale)),
                 x + int(std::lround(corner[2][0] * scale)), y + int(std::lround(corner[2][1] * scale)), c);
        }
    }
    int text_width(const std::string& text, int scale = 2) {
        std::string copy = text;
        return stb_easy_font_width(copy.data()) * scale;
    }

    std::vector<std::uint8_t> png() const {
        std::vector<std::uint8_t> out;
        stbi_write_png_to_func(
            [](void* context, void* data, int size) {
                auto* bytes = static_cast<std::uint8_t*>(data);
                static_cast<std::vector<std::uint8_t>*>(context)->insert(static_cast<std::vector<std::uint8_t>*>(context)->end(),
                                                                        bytes, bytes + size);
            },
            &out, width_, height_, 3, rgb_.data(), width_ * 3);
        return out;
    }

private:
    int clamp_x(double x) const { return int(std::clamp(x, 0.0, double(width_ - 1))); }
    int clamp_y(double y) const { return int(std::clamp(y, 0.0, double(height_ - 1))); }

    int width_, height_;
    std::vector<std::uint8_t> rgb_;
};

}  // namespace

std::vector<std::uint8_t> plot_png(const ScatterSample& s, const ScatterQuality& q) {
    const View v = view_of(s, q);
    Canvas canvas(v.width, v.height);
    for (std::size_t k = 0; k < s.polygon_count(); ++k) {
        const std::size_t first = s.polygon_starts[k], count = s.polygon_starts[k + 1] - first;
        const auto x = [&](std::size_t j) { return v.px(s.polygon_points[3 * (first + j)]); };
        const auto y = [&](std::size_t j) { return v.py(s.polygon_points[3 * (first + j) + 2]); };
        for (std::size_t j = 2; j < count; ++j) {
            const double xs[3] = {x(0), x(j - 1), x(j)}, ys[3] = {y(0), y(j - 1), y(j)};
            canvas.triangle(xs, ys, kPolygon);
        }
        if (v.outlines && count >= 3)
            for (std::size_t j = 0; j < count; ++j) canvas.line(x(j), y(j), x((j + 1) % count), y((j + 1) % count), kOutline);
    }
    for (std::size_t i = 0; i < s.clone_count(); ++i)
        canvas.ring(v.px(s.positions[3 * i]), v.py(s.positions[3 * i + 2]), 0, v.dot, clone_colour(i, s.clone_count()));
    if (gap_known(q)) {
        const double gx = v.px(q.gap_point[0]), gy = v.py(q.gap_point[2]);
        const double* c = &s.positions[3 * q.gap_clone];
        canvas.line(gx, gy, v.px(c[0]), v.py(c[2]), kGap, 4);
        const double r = q.widest_gap * v.scale;
        canvas.ring(gx, gy, r - 1, r + 1, kGap);
        for (int t = -1; t <= 1; ++t) {
            canvas.line(gx - 5, gy - 5 + t, gx + 5, gy + 5 + t, kGap);
            canvas.line(gx - 5, gy + 5 + t, gx + 5, gy - 5 + t, kGap);
        }
    }
    const int x = v.legend_x, right = x + kLegendWidth - 2 * kMargin;
    int y = kMargin;
    canvas.text(x, y, "Scatter quality", kText);
    for (const auto& [label, value] : legend_lines(q)) {
        y += kLineHeight;
        canvas.text(x, y, label, kText);
        canvas.text(right - canvas.text_width(value), y, value, kText);
    }
    y += kLineHeight + 4;
    canvas.ring(x + 7, y + 6, 6, 8, kGap);
    canvas.text(x + 24, y, "widest gap", kText);
    y += kLineHeight;
    for (int px = x; px < right; ++px)
        canvas.rect(px, y, px + 1, y + 12, clone_colour(std::size_t(px - x), std::size_t(right - x)));
    y += kLineHeight - 4;
    canvas.text(x, y, "first clone", kText);
    canvas.text(right - canvas.text_width("last clone"), y, "last clone", kText);
    y += kLineHeight;
    canvas.text(x, y, "top view: x right, z up", kText, 1);
    return canvas.png();
}

void add_plot(io::SaveGroup& group, const std::filesystem::path& path, const ScatterSample& sample,
              const ScatterQuality& quality) {
    if (plot_format(path) == PlotFormat::png) {
        const std::vector<std::uint8_t> bytes = plot_png(sample, quality);
        group.open(path).write_now(bytes);
    } else {
        const std::string text = plot_svg(sample, quality);
        group.open(path).write_now(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
}

}  // namespace zelkor::cli
