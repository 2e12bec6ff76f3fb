// The viewer page of a drawing: one self-contained HTML file (the points,
// the palette and the script inline; it loads nothing) that draws every
// segment in its colour, -z upward, and lets the reader turn, zoom and
// flip the picture. Its text depends on the points' colour codes and
// coordinates alone (rounded to float), so the page that a run writes and
// the one made later from either of its drawing files are the same.
//
// viewSvg draws the same projection once, as a static SVG picture.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "vis/view_drawing.hpp"
#include "vis/view_geometry.hpp"

namespace quorl {

inline constexpr const char* VIEWPAGEFILENAME = "Quorl-3dView.html";

// `run`, when not empty, is the identity of the run that drew the points
// (model/run_identity.hpp), kept in the page's head as
// <meta name="quorl-run" content="...">.
std::string viewPage(const std::vector<ViewPoint>& points, std::string_view run = {});
std::string viewPage(const ViewGeometry& g, std::string_view run = {});

std::string viewSvg(const std::vector<ViewPoint>& points, const ViewAngles& view, int width, int height);

}  // namespace quorl
