// The viewer page of a drawing: one self-contained HTML file (the points,
// the palette and the script inline; it loads nothing) that draws every
// segment in its colour, -z upward, and lets the reader turn, zoom and
// flip the picture. Its text depends on the points' colour codes and
// coordinates alone (rounded to float), so the page that a run writes and
// the one made later from either of its drawing files are the same.
//
// When the drawing says what its axes stand for (model/view_axes.hpp), the
// page draws the parameter axes with their names and tick values and marks
// the path's start and end, as text and marks that face the screen, so
// they read in every view. The legend says what each colour code draws:
// as the drawing's own legend (ViewAxes::legend) says, else as in the
// sample picture; codes the drawing hides at first start hidden. It has a dark theme for the screen and a light
// one for print (its button, the address #light, and printing).
//
// viewSvg draws the same projection once, as a static SVG picture.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "model/view_axes.hpp"
#include "vis/view_drawing.hpp"
#include "vis/view_geometry.hpp"

namespace quorl {

inline constexpr const char* VIEWPAGEFILENAME = "Quorl-3dView.html";

// `run`, when not empty, is the identity of the run that drew the points
// (model/run_identity.hpp), kept in the page's head as
// <meta name="quorl-run" content="...">.
std::string viewPage(const std::vector<ViewPoint>& points, std::string_view run = {}, const ViewAxes& axes = {});
std::string viewPage(const ViewGeometry& g, std::string_view run = {}, const ViewAxes& axes = {});

// How the SVG picture is drawn: the light theme (white background, the
// light palette) or the dark one; with a legend (a column at the right of
// the picture: each colour code used and what it draws, the axes'
// meaning) or without. The axes and markers are drawn whenever `axes` is
// known. The default is the plain dark picture of the segments alone.
struct ViewSvgStyle {
    bool light = false;
    bool legend = false;
    ViewAxes axes;
    std::array<bool, 16> hidden{};  // colour codes left out (of the picture and the legend)
};

std::string viewSvg(const std::vector<ViewPoint>& points, const ViewAngles& view, int width, int height,
                    const ViewSvgStyle& style = {});

}  // namespace quorl
