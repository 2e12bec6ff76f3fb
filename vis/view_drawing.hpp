// The points of a 3D drawing as the viewer page and the SVG picture see
// them: a colour code and three coordinates per point, in the order they
// were drawn. Code 0 moves the pen; 1 to 15 draw a segment from the
// previous point in that colour.
//
// readViewDrawing reads either file that a closed drawing leaves behind,
// the point list (a count, then "IC TH x y z" per point) or the drawing
// file (a count, the coordinates, the count again, "number IC" per point),
// telling them apart by the line after the count. A last line
// "Run: IDENTITY" after the records names the run that wrote the file
// (model/run_identity.hpp); before it, a line "Axes: ..." may say what the
// axes stand for and a line "Legend: ..." what the colour codes draw
// (vis/view_axes_line.hpp). Files of earlier versions have none of them;
// an Axes or Legend line that cannot be read is set aside (the picture is
// drawn without axes, the legend gives the sample's meanings) and named in
// `axesFault` or `legendFault`, never a fault of the file.
//
// The file must be a regular file (a FIFO, a device or a directory is
// refused at once, never waited on) of text lines of at most
// kViewLineLimit characters; a line longer, or a byte that no text holds
// (NUL and the other control characters but tab, CR, LF, VT, FF), stops
// the reading where it stands, without reading the rest. Every fault stops
// with a short message "FILE:LINE:COLUMN: what is wrong" quoting at most a
// few dozen characters of the file (io::Stop, status 1).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/view_axes.hpp"

namespace quorl {

inline constexpr std::size_t kViewLineLimit = 1024;

struct ViewPoint {
    int IC = 0;
    double X = 0;
    double Y = 0;
    double Z = 0;
};

struct ViewDrawing {
    std::vector<ViewPoint> points;
    bool pointList = false;  // read from a point list (else from a drawing file)
    std::string run;         // the identity of the run that wrote it; empty when the file has none
    ViewAxes axes;           // what the axes stand for; not known() when the file does not say
    std::string axesFault;   // "LINE: why" when an Axes line was set aside
    std::string legendFault; // "LINE: why" when a Legend line was set aside
};

ViewDrawing readViewDrawing(const std::string& path);

// Which layout a text is read as: told by its content, or one of the two.
enum class ViewFileKind { Either, PointList, DrawingFile };

// The same reading of a file's text; `name` is the file named in messages.
ViewDrawing readViewDrawingText(std::string_view text, const std::string& name,
                                ViewFileKind kind = ViewFileKind::Either);

}  // namespace quorl
