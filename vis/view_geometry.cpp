#include "vis/view_geometry.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "quad/quad.hpp"

namespace quorl {

std::optional<ViewAngles> namedView(std::string_view name) {
    for (const NamedView& v : kNamedViews) {
        if (v.name == name) {
            return ViewAngles{v.azimuth, v.elevation, false};
        }
    }
    return std::nullopt;
}

namespace {

bool finite(const float* p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

}  // namespace

bool ViewGeometry::drawsTo(std::size_t i) const {
    return i > 0 && i < codes.size() && codes[i] >= 1 && codes[i] <= 15 && finite(&xyz[3 * i]) &&
           finite(&xyz[3 * (i - 1)]);
}

namespace {

// A point as the page holds it. Adding +0 turns a negative zero (a quad -0
// in memory, "0.0E+00" in the files) into the one zero, so the page does
// not depend on where its points were read from.
void addPoint(ViewGeometry& g, int ic, double x, double y, double z) {
    g.xyz.push_back(static_cast<float>(x) + 0.0f);
    g.xyz.push_back(static_cast<float>(y) + 0.0f);
    g.xyz.push_back(static_cast<float>(z) + 0.0f);
    g.codes.push_back(static_cast<std::uint8_t>(ic));
}

// The box of the points that segments join: its centre and half its
// diagonal.
void placeBox(ViewGeometry& g) {
    std::array<double, 3> lo{HUGE_VAL, HUGE_VAL, HUGE_VAL};
    std::array<double, 3> hi{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    bool any = false;
    for (std::size_t i = 1; i < g.size(); ++i) {
        if (!g.drawsTo(i)) {
            continue;
        }
        any = true;
        for (const std::size_t j : {i - 1, i}) {
            for (std::size_t k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], static_cast<double>(g.xyz[3 * j + k]));
                hi[k] = std::max(hi[k], static_cast<double>(g.xyz[3 * j + k]));
            }
        }
    }
    if (any) {
        double d2 = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            g.centre[k] = (lo[k] + hi[k]) / 2;
            d2 += (hi[k] - lo[k]) * (hi[k] - lo[k]);
        }
        const double r = std::sqrt(d2) / 2;
        g.radius = r > 0 && std::isfinite(r) ? r : 1;
    }
}

}  // namespace

ViewGeometry viewGeometry(const std::vector<ViewPoint>& points) {
    ViewGeometry g;
    g.xyz.reserve(3 * points.size());
    g.codes.reserve(points.size());
    for (const ViewPoint& p : points) {
        addPoint(g, p.IC, p.X, p.Y, p.Z);
    }
    placeBox(g);
    return g;
}

ViewGeometry viewGeometry(std::span<const TLREC> points) {
    ViewGeometry g;
    g.xyz.reserve(3 * points.size());
    g.codes.reserve(points.size());
    for (const TLREC& tl : points) {
        addPoint(g, tl.IC, toDouble(tl.XYZ(1)), toDouble(tl.XYZ(2)), toDouble(tl.XYZ(3)));
    }
    placeBox(g);
    return g;
}

ViewProjection::ViewProjection(const ViewGeometry& g, const ViewAngles& view, double width, double height,
                               double zoom)
    : g_(g) {
    const double a = view.azimuth * std::numbers::pi / 180;
    const double e = view.elevation * std::numbers::pi / 180;
    r_ = {-std::sin(a), std::cos(a), 0};
    u_ = {std::sin(e) * std::cos(a), std::sin(e) * std::sin(a), -std::cos(e)};
    if (view.zUp) {
        r_[2] = -r_[2];
        u_[2] = -u_[2];
    }
    s_ = zoom * 0.45 * std::min(width, height) / g.radius;
    const auto& c = g.centre;
    ox_ = width / 2 - s_ * (c[0] * r_[0] + c[1] * r_[1] + c[2] * r_[2]);
    oy_ = height / 2 + s_ * (c[0] * u_[0] + c[1] * u_[1] + c[2] * u_[2]);
}

std::array<double, 2> ViewProjection::operator()(std::size_t point) const {
    const float* p = &g_.xyz[3 * point];
    return at(p[0], p[1], p[2]);
}

std::array<double, 2> ViewProjection::at(double x, double y, double z) const {
    return {ox_ + s_ * (x * r_[0] + y * r_[1] + z * r_[2]), oy_ - s_ * (x * u_[0] + y * u_[1] + z * u_[2])};
}

}  // namespace quorl
