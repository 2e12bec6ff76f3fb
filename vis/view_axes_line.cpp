#include "vis/view_axes_line.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace quorl {

namespace {

// The length of the UTF-8 character at text[i], 0 when the byte starts none.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t n = c < 0x80 ? 1 : (c & 0xe0) == 0xc0 && c >= 0xc2 ? 2 : (c & 0xf0) == 0xe0 ? 3
                                  : (c & 0xf8) == 0xf0 && c <= 0xf4   ? 4
                                                                      : 0;
    if (n == 0 || i + n > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) {
            return 0;
        }
    }
    return n;
}

void appendNumber(std::string& out, double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, " %.17g", v == 0 ? 0.0 : v);
    out += buf;
}

void appendText(std::string& out, const std::string& text) {
    out += " \"";
    for (const char c : viewAxisText(text)) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

bool usable(const ViewAxis& a) { return std::isfinite(a.origin) && std::isfinite(a.scale) && a.scale != 0; }

template <std::size_t N>
bool finite(const std::array<double, N>& v) {
    for (const double x : v) {
        if (!std::isfinite(x)) {
            return false;
        }
    }
    return true;
}

// Reads the line's parts one by one; the first fault ends the reading.
class AxesParser {
public:
    explicit AxesParser(std::string_view line) : s_(line) {}

    bool word(std::string_view w) {
        blanks();
        if (s_.substr(i_, w.size()) != w || (i_ + w.size() < s_.size() && s_[i_ + w.size()] != ' ' &&
                                             s_[i_ + w.size()] != '\t' && s_[i_ + w.size()] != '"')) {
            return false;
        }
        i_ += w.size();
        return true;
    }

    std::optional<std::string> text() {
        blanks();
        if (i_ >= s_.size() || s_[i_] != '"') {
            return std::nullopt;
        }
        std::string out;
        for (++i_; i_ < s_.size(); ++i_) {
            if (s_[i_] == '"') {
                if (i_ + 1 < s_.size() && s_[i_ + 1] == '"') {
                    out += '"';
                    ++i_;
                    continue;
                }
                ++i_;
                if (out.size() > kViewAxisTextLimit) {
                    return std::nullopt;
                }
                return viewAxisText(out);
            }
            out += s_[i_];
        }
        return std::nullopt;  // no closing quote
    }

    std::optional<double> number() {
        blanks();
        const std::size_t from = i_;
        while (i_ < s_.size() && s_[i_] != ' ' && s_[i_] != '\t') {
            ++i_;
        }
        double v = 0;
        const char* b = s_.data() + from;
        const char* e = s_.data() + i_;
        if (b != e && *b == '+') {
            ++b;
        }
        const auto [end, ec] = std::from_chars(b, e, v);
        if (b == e || ec != std::errc{} || end != e || !std::isfinite(v)) {
            return std::nullopt;
        }
        return v;
    }

    template <std::size_t N>
    std::optional<std::array<double, N>> numbers() {
        std::array<double, N> v{};
        for (double& x : v) {
            const auto n = number();
            if (!n) {
                return std::nullopt;
            }
            x = *n;
        }
        return v;
    }

    bool atEnd() {
        blanks();
        return i_ >= s_.size();
    }

private:
    void blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) {
            ++i_;
        }
    }

    std::string_view s_;
    std::size_t i_ = 0;
};

// A colour code 1..15, or nullopt.
std::optional<int> codeOf(AxesParser& p) {
    const auto v = p.number();
    if (!v || *v < 1 || *v > 15 || *v != std::floor(*v)) {
        return std::nullopt;
    }
    return static_cast<int>(*v);
}

bool parseAxis(AxesParser& p, std::string_view name, ViewAxis& axis) {
    if (!p.word(name)) {
        return false;
    }
    const auto text = p.text();
    const auto origin = p.number();
    const auto scale = p.number();
    if (!text || !origin || !scale || *scale == 0) {
        return false;
    }
    axis = ViewAxis{*text, *origin, *scale};
    return true;
}

}  // namespace

std::string viewAxisText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8Length(text, i);
        if (out.size() + std::max<std::size_t>(n, 1) > kViewAxisTextLimit) {
            break;
        }
        if (n == 0) {
            out += '?';
            ++i;
        } else if (n == 1) {
            const auto c = static_cast<unsigned char>(text[i]);
            out += c < 0x20 || c == 0x7f ? ' ' : text[i];
            ++i;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::string viewAxesLine(const ViewAxes& a) {
    if (!a.known()) {
        return "";
    }
    std::string out = "Axes:";
    const std::pair<const char*, const ViewAxis*> axes[] = {{" x", &a.x}, {" y", &a.y}};
    for (const auto& [name, axis] : axes) {
        out += name;
        const ViewAxis shown = usable(*axis) ? *axis : ViewAxis{axis->name, 0.0, 1.0};
        appendText(out, shown.name);
        appendNumber(out, shown.origin);
        appendNumber(out, shown.scale);
    }
    out += " z";
    appendText(out, a.z);
    const std::pair<const char*, const std::optional<std::array<double, 3>>*> points[] = {{" start", &a.start},
                                                                                         {" end", &a.end}};
    for (const auto& [name, point] : points) {
        if (*point && finite(**point)) {
            out += name;
            for (const double v : **point) {
                appendNumber(out, v);
            }
        }
    }
    if (a.plane && finite(*a.plane)) {
        out += " plane";
        for (const double v : *a.plane) {
            appendNumber(out, v);
        }
    }
    return out;
}

std::optional<ViewAxes> parseViewAxesLine(std::string_view line, std::string& why) {
    AxesParser p(line);
    ViewAxes a;
    if (!p.word("Axes:")) {
        why = "the line does not start with \"Axes:\"";
        return std::nullopt;
    }
    if (!parseAxis(p, "x", a.x) || !parseAxis(p, "y", a.y)) {
        why = "expected x \"NAME\" ORIGIN SCALE y \"NAME\" ORIGIN SCALE (finite numbers, a scale not 0)";
        return std::nullopt;
    }
    const auto z = p.word("z") ? p.text() : std::nullopt;
    if (!z) {
        why = "expected z \"TEXT\" after the axes x and y";
        return std::nullopt;
    }
    a.z = *z;
    if (p.word("start")) {
        a.start = p.numbers<3>();
        if (!a.start) {
            why = "start needs three finite numbers";
            return std::nullopt;
        }
    }
    if (p.word("end")) {
        a.end = p.numbers<3>();
        if (!a.end) {
            why = "end needs three finite numbers";
            return std::nullopt;
        }
    }
    if (p.word("plane")) {
        a.plane = p.numbers<4>();
        if (!a.plane) {
            why = "plane needs four finite numbers";
            return std::nullopt;
        }
    }
    if (!p.atEnd()) {
        why = "unexpected text after the axes";
        return std::nullopt;
    }
    return a;
}

ViewLegend viewLegend(const ViewLegend& legend) {
    ViewLegend out;
    out.hidden = legend.hidden;
    out.hidden[0] = false;
    std::array<bool, 16> seen{};
    std::vector<ViewCodeUse> uses;
    for (const ViewCodeUse& u : legend.uses) {
        if (u.code >= 1 && u.code <= 15 && !seen[static_cast<std::size_t>(u.code)]) {
            seen[static_cast<std::size_t>(u.code)] = true;
            uses.push_back({u.code, viewAxisText(u.meaning)});
        }
    }
    std::stable_sort(uses.begin(), uses.end(), [](const auto& a, const auto& b) { return a.code < b.code; });
    // Room for "Legend:" and the hidden codes (at most 15 of " NN").
    std::size_t length = 8 + 7 + 15 * 3;
    for (ViewCodeUse& u : uses) {
        std::string entry;
        appendText(entry, u.meaning);
        length += 3 + entry.size();
        if (length > kViewLegendLineLimit) {
            break;
        }
        out.uses.push_back(std::move(u));
    }
    return out;
}

std::string viewLegendLine(const ViewLegend& legend) {
    const ViewLegend l = viewLegend(legend);
    if (!l.given()) {
        return "";
    }
    std::string out = "Legend:";
    for (const ViewCodeUse& u : l.uses) {
        out += " " + std::to_string(u.code);
        appendText(out, u.meaning);
    }
    bool first = true;
    for (std::size_t c = 1; c < l.hidden.size(); ++c) {
        if (l.hidden[c]) {
            out += first ? " hidden " : " ";
            out += std::to_string(c);
            first = false;
        }
    }
    return out;
}

std::optional<ViewLegend> parseViewLegendLine(std::string_view line, std::string& why) {
    AxesParser p(line);
    ViewLegend l;
    if (!p.word("Legend:")) {
        why = "the line does not start with \"Legend:\"";
        return std::nullopt;
    }
    while (!p.atEnd() && !p.word("hidden")) {
        const auto code = codeOf(p);
        const auto text = code ? p.text() : std::nullopt;
        if (!text) {
            why = "expected colour codes 1 to 15, each with its meaning in quotes, then \"hidden\" and codes";
            return std::nullopt;
        }
        l.uses.push_back({*code, *text});
    }
    while (!p.atEnd()) {
        const auto code = codeOf(p);
        if (!code) {
            why = "hidden needs colour codes 1 to 15";
            return std::nullopt;
        }
        l.hidden[static_cast<std::size_t>(*code)] = true;
    }
    return viewLegend(l);
}

}  // namespace quorl
