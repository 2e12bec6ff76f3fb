// How the viewer page and the SVG picture place a drawing on the screen.
//
// The camera looks at the centre of the drawn segments' bounding box from
// a direction given by an azimuth and an elevation (degrees), with an
// orthographic projection. The picture's heights are negated error
// measures, and its labels have their tops toward -z, so -z is drawn
// upward: at azimuth 0 and elevation 0 the camera looks along +x with +y to
// the right and -z up (the labels face-on); raising the elevation to 90
// looks down from the -z side, +y still to the right and +x up (from
// above); the azimuth turns the camera about the vertical. With zUp the
// drawing is mirrored in z first, as a viewer that draws +z upward shows
// it.
//
// Screen coordinates in pixels, y downward, for a width W and height H:
//   X = W/2 + s (p - c).r     Y = H/2 - s (p - c).u
// with r = (-sin a, cos a, 0), u = (sin e cos a, sin e sin a, -cos e)
// (their z components negated with zUp), c the box's centre, and
// s = zoom * 0.45 * min(W, H) / R, R half the box's diagonal (1 for a
// drawing without extent), so that at zoom 1 the drawing fits in any
// direction. The page's script computes the same.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "model/records.hpp"
#include "vis/view_drawing.hpp"

namespace quorl {

struct ViewAngles {
    double azimuth = 0;
    double elevation = 0;
    bool zUp = false;
};

struct NamedView {
    std::string_view name;
    std::string_view label;  // the page's button
    double azimuth;
    double elevation;
};

// The first is the default.
inline constexpr std::array<NamedView, 3> kNamedViews{{
    {"oblique", "Oblique", -35.0, 25.0},
    {"face", "Labels face-on", 0.0, 0.0},
    {"top", "From above", 0.0, 90.0},
}};

std::optional<ViewAngles> namedView(std::string_view name);

// The drawing as the page holds it: coordinates rounded to float, one
// colour code per point, and the box of the points that segments join.
struct ViewGeometry {
    std::vector<float> xyz;  // x, y, z of each point
    std::vector<std::uint8_t> codes;
    std::array<double, 3> centre{};
    double radius = 1;

    std::size_t size() const { return codes.size(); }
    // Whether a segment ends at point i (from point i - 1): a colour code
    // from 1 to 15 and two finite ends.
    bool drawsTo(std::size_t i) const;
};

ViewGeometry viewGeometry(const std::vector<ViewPoint>& points);
// The same of a drawing held in memory (the writer's read-back of its own
// point list), each coordinate rounded to double first as a file's is.
ViewGeometry viewGeometry(std::span<const TLREC> points);

class ViewProjection {
public:
    ViewProjection(const ViewGeometry& g, const ViewAngles& view, double width, double height, double zoom = 1);
    std::array<double, 2> operator()(std::size_t point) const;
    // The screen position of any point of the drawing's space.
    std::array<double, 2> at(double x, double y, double z) const;

private:
    const ViewGeometry& g_;
    std::array<double, 3> r_{};
    std::array<double, 3> u_{};
    double s_ = 1;
    double ox_ = 0;
    double oy_ = 0;
};

}  // namespace quorl
