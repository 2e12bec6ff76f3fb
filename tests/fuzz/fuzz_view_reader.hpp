// What both viewer-reader targets check: a file's text read as one layout
// either stops with a short message or gives points that the other layout,
// written from them, reads back the same.
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "fuzz_check.hpp"
#include "io/stop.hpp"
#include "vis/view_drawing.hpp"

namespace quorl::fuzz {

inline bool sameReal(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

inline std::string realText(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// The points written in the layout `kind`, with every digit of a double.
inline std::string layoutOf(const ViewDrawing& d, ViewFileKind kind) {
    const std::string n = std::to_string(d.points.size()) + "\n";
    std::string out = n;
    for (const ViewPoint& p : d.points) {
        if (kind == ViewFileKind::PointList) {
            out += std::to_string(p.IC) + " 1.0 ";
        }
        out += realText(p.X) + " " + realText(p.Y) + " " + realText(p.Z) + "\n";
    }
    if (kind == ViewFileKind::DrawingFile) {
        out += n;
        for (std::size_t k = 0; k < d.points.size(); ++k) {
            out += std::to_string(k + 1) + " " + std::to_string(d.points[k].IC) + "\n";
        }
    }
    if (!d.run.empty()) {
        out += "Run: " + d.run + "\n";
    }
    return out;
}

inline void checkReader(const std::uint8_t* data, std::size_t size, ViewFileKind kind, ViewFileKind other) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string name = "f";
    ViewDrawing d;
    try {
        d = readViewDrawingText(text, name, kind);
    } catch (const io::Stop& stop) {
        // A fault is named in one short line, whatever the input.
        FUZZ_CHECK(stop.status() != 0);
        FUZZ_CHECK(stop.message().size() <= 200);
        FUZZ_CHECK(stop.message().find('\n') == std::string::npos);
        return;
    }
    FUZZ_CHECK(d.pointList == (kind == ViewFileKind::PointList));
    for (const ViewPoint& p : d.points) {
        FUZZ_CHECK(p.IC >= 0 && p.IC <= 15);
    }
    // The other reader takes the same points back, every bit of them.
    const ViewDrawing back = readViewDrawingText(layoutOf(d, other), name, other);
    FUZZ_CHECK(back.points.size() == d.points.size());
    FUZZ_CHECK(back.run == d.run);
    for (std::size_t k = 0; k < d.points.size(); ++k) {
        FUZZ_CHECK(back.points[k].IC == d.points[k].IC);
        FUZZ_CHECK(sameReal(back.points[k].X, d.points[k].X));
        FUZZ_CHECK(sameReal(back.points[k].Y, d.points[k].Y));
        FUZZ_CHECK(sameReal(back.points[k].Z, d.points[k].Z));
    }
}

}  // namespace quorl::fuzz
