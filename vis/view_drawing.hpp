// The points of a 3D drawing as the viewer page and the SVG picture see
// them: a colour code and three coordinates per point, in the order they
// were drawn. Code 0 moves the pen; 1 to 15 draw a segment from the
// previous point in that colour.
//
// readViewDrawing reads either file that a closed drawing leaves behind,
// the point list (a count, then "IC TH x y z" per point) or the drawing
// file (a count, the coordinates, the count again, "number IC" per point),
// telling them apart by the line after the count. Every fault in the file
// stops with a message "FILE:LINE: what is wrong" (io::Stop, status 1).
#pragma once

#include <string>
#include <vector>

namespace quorl {

struct ViewPoint {
    int IC = 0;
    double X = 0;
    double Y = 0;
    double Z = 0;
};

struct ViewDrawing {
    std::vector<ViewPoint> points;
    bool pointList = false;  // read from a point list (else from a drawing file)
};

ViewDrawing readViewDrawing(const std::string& path);

}  // namespace quorl
