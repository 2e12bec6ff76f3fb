// Reading the fit plot's page as a test sees it: the box and ranges each
// panel states, and the vertices of its paths.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace quorl::testing {

struct PanelBox {
    double left = 0, top = 0, width = 0, height = 0, x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    double x(double px) const { return x0 + (px - left) / width * (x1 - x0); }
    double px(double x) const { return left + (x - x0) / (x1 - x0) * width; }
    double py(double y) const { return top + height - (y - y0) / (y1 - y0) * height; }
};

// The box and ranges of the first panel of a class ("main", "residuals").
inline PanelBox panelOf(const std::string& page, const std::string& cls) {
    const std::regex re("<g class=\"" + cls + "\" data-box=\"([^\"]*)\" data-range=\"([^\"]*)\">");
    std::smatch m;
    EXPECT_TRUE(std::regex_search(page, m, re)) << cls;
    PanelBox b;
    std::istringstream(m[1].str() + " " + m[2].str()) >> b.left >> b.top >> b.width >> b.height >> b.x0 >> b.x1 >>
        b.y0 >> b.y1;
    return b;
}

// The vertices of the first path of a class, as (x, y) pairs.
inline std::vector<std::pair<double, double>> verticesOf(const std::string& page, const std::string& cls) {
    const std::size_t at = page.find("class=\"" + cls + "\" d=\"");
    EXPECT_NE(at, std::string::npos) << cls;
    const std::size_t from = page.find("d=\"", at) + 3;
    const std::string d = page.substr(from, page.find('"', from) - from);
    std::vector<std::pair<double, double>> v;
    const std::regex re("[ML](-?[0-9.]+) (-?[0-9.]+)");
    for (auto it = std::sregex_iterator(d.begin(), d.end(), re); it != std::sregex_iterator(); ++it) {
        v.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
    }
    return v;
}

}  // namespace quorl::testing
