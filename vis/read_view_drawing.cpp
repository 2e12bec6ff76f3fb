// Reading a drawing back for the viewer: the point list or the drawing file
// of a closed drawing, checked line by line so that a damaged or foreign
// file is refused with the line at fault rather than drawn wrongly.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "io/quoted.hpp"
#include "io/stop.hpp"
#include "model/run_identity.hpp"
#include "vis/load_view_file.hpp"
#include "vis/view_axes_line.hpp"
#include "vis/view_drawing.hpp"

namespace quorl {

namespace {

constexpr int kFirstCode = 0;
constexpr int kLastCode = 15;

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
    return fields;
}

std::optional<long long> integerOf(std::string_view f) {
    if (!f.empty() && f.front() == '+') {
        f.remove_prefix(1);
    }
    long long v = 0;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
    if (f.empty() || ec != std::errc{} || end != f.data() + f.size()) {
        return std::nullopt;
    }
    return v;
}

std::string plural(long long n, const std::string& what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

bool caseEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// A real as the formatted writer puts it: an optional sign, digits with an
// optional point, and an exponent written with E or D, or with its sign
// alone when it has three digits (0.1+100); also NaN and Infinity, which a
// run whose error measure overflowed can write.
std::optional<double> realOf(std::string_view f) {
    std::string text;
    std::size_t i = 0;
    if (i < f.size() && (f[i] == '+' || f[i] == '-')) {
        if (f[i] == '-') {
            text += '-';
        }
        ++i;
    }
    const std::string_view body = f.substr(i);
    if (caseEquals(body, "nan") || caseEquals(body, "inf") || caseEquals(body, "infinity")) {
        text += body;
    } else {
        std::size_t digits = 0;
        bool point = false;
        for (; i < f.size(); ++i) {
            const char c = f[i];
            if (std::isdigit(static_cast<unsigned char>(c))) {
                ++digits;
            } else if (c == '.' && !point) {
                point = true;
            } else {
                break;
            }
            text += c;
        }
        if (digits == 0) {
            return std::nullopt;
        }
        if (i < f.size()) {
            const char c = f[i];
            if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
                ++i;
            } else if (c != '+' && c != '-') {
                return std::nullopt;
            }
            text += 'e';
            if (i < f.size() && (f[i] == '+' || f[i] == '-')) {
                text += f[i++];
            }
            const std::size_t expStart = i;
            while (i < f.size() && std::isdigit(static_cast<unsigned char>(f[i]))) {
                text += f[i++];
            }
            if (i == expStart || i != f.size()) {
                return std::nullopt;
            }
        }
    }
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    // Beyond a double's range: a large magnitude reads as infinite (a
    // height the picture cannot show), a tiny one as zero.
    if (ec == std::errc::result_out_of_range) {
        const bool negative = text.front() == '-';
        const std::size_t e = text.find('e');
        const bool tiny = e != std::string::npos && e + 1 < text.size() && text[e + 1] == '-';
        return tiny ? (negative ? -0.0 : 0.0) : (negative ? -HUGE_VAL : HUGE_VAL);
    }
    if (ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

class DrawingReader {
public:
    DrawingReader(std::string_view text, std::string name) : name_(std::move(name)) {
        ViewTextCheck(name_).feed(text);
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t nl = text.find('\n', at);
            std::string_view line = text.substr(at, nl == std::string_view::npos ? std::string_view::npos : nl - at);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            lines_.push_back(line);
            at = nl == std::string_view::npos ? text.size() : nl + 1;
        }
        // Blank lines at the very end are no part of the drawing; nor are
        // the lines after the records that name the run and say what the
        // axes stand for (at most one of each, in either order).
        trimBlankEnd();
        bool run = false;
        bool axes = false;
        bool legend = false;
        while (!lines_.empty()) {
            const std::string_view last = lines_.back();
            const auto f = fieldsOf(last);
            if (!run && f.size() == 2 && f[0] == "Run:" && isRunIdentity(f[1])) {
                run = true;
                run_ = std::string(f[1]);
            } else if (!axes && !f.empty() && f[0].starts_with("Axes:")) {
                axes = true;
                std::string why;
                if (const auto a = parseViewAxesLine(last, why)) {
                    axes_ = *a;
                } else {
                    axesFault_ = std::to_string(lines_.size()) + ": " + why;
                }
            } else if (!legend && !f.empty() && f[0].starts_with("Legend:")) {
                legend = true;
                std::string why;
                if (const auto l = parseViewLegendLine(last, why)) {
                    legend_ = *l;
                } else {
                    legendFault_ = std::to_string(lines_.size()) + ": " + why;
                }
            } else {
                break;
            }
            lines_.pop_back();
            trimBlankEnd();
        }
    }

    ViewDrawing read(ViewFileKind kind) {
        if (lines_.empty()) {
            fail(1, "empty file; expected the point count of a drawing");
        }
        const long long n = count(1, "the point count");
        ViewDrawing d;
        d.run = run_;
        d.axes = axes_;
        d.axesFault = axesFault_;
        d.axes.legend = legend_;
        d.legendFault = legendFault_;
        const std::size_t more = lines_.size() - 1;
        if (more == 0) {
            if (n != 0) {
                fail(1, "the count says " + plural(n, "point") + ", but no point lines follow");
            }
            d.pointList = kind != ViewFileKind::DrawingFile;
            if (kind == ViewFileKind::DrawingFile) {
                fail(1, "the file ends before the second point count");
            }
            return d;
        }
        const std::size_t second = fieldsOf(lines_[1]).size();
        const bool list = kind == ViewFileKind::PointList || (kind == ViewFileKind::Either && second == 5);
        const bool drawing =
            kind == ViewFileKind::DrawingFile || (kind == ViewFileKind::Either && (second == 3 || (second == 1 && n == 0)));
        if (list) {
            d.pointList = true;
            readPointList(n, d.points);
        } else if (drawing) {
            readDrawingFile(n, d.points);
        } else {
            fail(2, "neither a point line (colour code, width, x, y, z) nor a coordinate line (x, y, z): " +
                        io::quoted(lines_[1]));
        }
        return d;
    }

private:
    void trimBlankEnd() {
        while (!lines_.empty() && fieldsOf(lines_.back()).empty()) {
            lines_.pop_back();
        }
    }

    // Column of a field of line `line` (1 for the line as a whole).
    std::size_t columnOf(std::size_t line, std::string_view field) const {
        const std::string_view l = lines_[line - 1];
        const auto offset = field.data() - l.data();
        return offset >= 0 && static_cast<std::size_t>(offset) <= l.size() ? static_cast<std::size_t>(offset) + 1 : 1;
    }

    [[noreturn]] void fail(std::size_t line, const std::string& what, std::size_t column = 1) const {
        io::stop(name_ + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + what);
    }

    long long count(std::size_t line, const std::string& what) const {
        const auto f = fieldsOf(lines_[line - 1]);
        const auto n = f.size() == 1 ? integerOf(f[0]) : std::nullopt;
        if (!n || *n < 0 || *n > 2147483647) {
            fail(line, "expected " + what + " (a whole number, 0 or more), found " + io::quoted(lines_[line - 1]));
        }
        return *n;
    }

    int colourCode(std::size_t line, std::string_view field) const {
        const auto ic = integerOf(field);
        if (!ic) {
            fail(line, "colour code " + io::quoted(field) + " is not a whole number", columnOf(line, field));
        }
        if (*ic < kFirstCode || *ic > kLastCode) {
            fail(line, "colour code " + std::to_string(*ic) + " is outside 0 to 15", columnOf(line, field));
        }
        return static_cast<int>(*ic);
    }

    void coordinates(std::size_t line, const std::vector<std::string_view>& f, std::size_t at, ViewPoint& p) const {
        double* const xyz[] = {&p.X, &p.Y, &p.Z};
        for (std::size_t k = 0; k < 3; ++k) {
            const auto v = realOf(f[at + k]);
            if (!v) {
                fail(line, "coordinate " + io::quoted(f[at + k]) + " is not a number", columnOf(line, f[at + k]));
            }
            *xyz[k] = *v;
        }
    }

    // A count, then one "IC TH x y z" line per point.
    void readPointList(long long n, std::vector<ViewPoint>& points) const {
        points.reserve(std::min<std::size_t>(static_cast<std::size_t>(n), lines_.size()));
        for (std::size_t line = 2; line <= lines_.size(); ++line) {
            const auto f = fieldsOf(lines_[line - 1]);
            if (f.size() != 5) {
                fail(line, "malformed point line (expected colour code, width, x, y, z): " +
                               io::quoted(lines_[line - 1]));
            }
            ViewPoint p;
            p.IC = colourCode(line, f[0]);
            if (!realOf(f[1])) {
                fail(line, "line width " + io::quoted(f[1]) + " is not a number", columnOf(line, f[1]));
            }
            coordinates(line, f, 2, p);
            points.push_back(p);
        }
        const long long lines = static_cast<long long>(points.size());
        if (lines != n) {
            fail(1, "the count says " + plural(n, "point") + ", but the file has " + plural(lines, "point line") +
                        (n == 0 ? " (a drawing that was never closed?)" : ""));
        }
    }

    // A count, the coordinate lines, the count again, "number IC" lines.
    void readDrawingFile(long long n, std::vector<ViewPoint>& points) const {
        points.reserve(std::min<std::size_t>(static_cast<std::size_t>(n), lines_.size()));
        std::size_t line = 2;
        for (; line <= lines_.size(); ++line) {
            const auto f = fieldsOf(lines_[line - 1]);
            if (f.size() == 1) {
                break;  // the second count
            }
            if (f.size() != 3) {
                fail(line, "malformed coordinate line (expected x, y, z): " + io::quoted(lines_[line - 1]));
            }
            ViewPoint p;
            coordinates(line, f, 0, p);
            points.push_back(p);
        }
        const long long m = static_cast<long long>(points.size());
        if (m != n) {
            fail(1, "the count says " + plural(n, "point") + ", but the file has " + plural(m, "coordinate line"));
        }
        if (line > lines_.size()) {
            fail(line, "the file ends before the second point count");
        }
        const long long n2 = count(line, "the second point count");
        if (n2 != n) {
            fail(line, "the second count (" + std::to_string(n2) + ") disagrees with the first (" + std::to_string(n) +
                           ")");
        }
        const std::size_t codesFrom = line + 1;
        const std::size_t codeLines = lines_.size() - line;
        if (static_cast<long long>(codeLines) != n) {
            // Too few: the file's last line; too many: the first extra one.
            const std::size_t at =
                codeLines < static_cast<std::size_t>(n) ? lines_.size() : codesFrom + static_cast<std::size_t>(n);
            fail(at, "expected " + plural(n, "colour line") + " (point number, colour code) after the second count, " +
                         "found " + std::to_string(codeLines));
        }
        for (std::size_t k = 0; k < points.size(); ++k) {
            const std::size_t at = codesFrom + k;
            const auto f = fieldsOf(lines_[at - 1]);
            const auto number = f.size() == 2 ? integerOf(f[0]) : std::nullopt;
            if (!number) {
                fail(at, "malformed colour line (expected point number, colour code): " + io::quoted(lines_[at - 1]));
            }
            if (*number != static_cast<long long>(k + 1)) {
                fail(at, "point number " + std::to_string(*number) + " where " + std::to_string(k + 1) + " was expected",
                     columnOf(at, f[0]));
            }
            points[k].IC = colourCode(at, f[1]);
        }
    }

    std::string name_;
    std::vector<std::string_view> lines_;
    std::string run_;
    ViewAxes axes_;
    ViewLegend legend_;
    std::string legendFault_;
    std::string axesFault_;
};

}  // namespace

ViewDrawing readViewDrawing(const std::string& path) {
    const std::string text = loadViewFile(path);
    return DrawingReader(text, path).read(ViewFileKind::Either);
}

ViewDrawing readViewDrawingText(std::string_view text, const std::string& name, ViewFileKind kind) {
    return DrawingReader(text, name).read(kind);
}

}  // namespace quorl
