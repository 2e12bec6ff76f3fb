#include "vis/view_page.hpp"

#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

#include "io/json.hpp"
#include "vis/view_palette.hpp"

namespace quorl {

namespace detail {
extern const std::string_view kViewPageTemplate;
}

namespace {

// Base64 of the coordinates as little-endian 32-bit floats, the form the
// page's script decodes with a DataView.
std::string base64Floats(const std::vector<float>& values) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    // The little-endian bytes of the floats, then three bytes to four
    // characters, written in place (a page holds tens of thousands).
    std::vector<unsigned char> bytes(4 * values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(values[i]);
        for (std::size_t k = 0; k < 4; ++k) {
            bytes[4 * i + k] = static_cast<unsigned char>((bits >> (8 * k)) & 0xffu);
        }
    }
    std::string out((bytes.size() + 2) / 3 * 4, '=');
    char* p = out.data();
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3, p += 4) {
        const std::uint32_t chunk = static_cast<std::uint32_t>(bytes[i]) << 16 |
                                    static_cast<std::uint32_t>(bytes[i + 1]) << 8 | bytes[i + 2];
        p[0] = kDigits[(chunk >> 18) & 63];
        p[1] = kDigits[(chunk >> 12) & 63];
        p[2] = kDigits[(chunk >> 6) & 63];
        p[3] = kDigits[chunk & 63];
    }
    if (const std::size_t left = bytes.size() - i; left > 0) {
        const std::uint32_t chunk = static_cast<std::uint32_t>(bytes[i]) << 16 |
                                    (left > 1 ? static_cast<std::uint32_t>(bytes[i + 1]) << 8 : 0u);
        p[0] = kDigits[(chunk >> 18) & 63];
        p[1] = kDigits[(chunk >> 12) & 63];
        if (left > 1) {
            p[2] = kDigits[(chunk >> 6) & 63];
        }
    }
    return out;
}

std::string drawingObject(const ViewGeometry& g) {
    std::string codes;
    codes.reserve(g.size());
    for (const std::uint8_t c : g.codes) {
        codes.push_back("0123456789abcdef"[c & 15]);
    }
    std::string uses = "[";
    for (std::size_t c = 0; c < kViewPalette.size(); ++c) {
        uses += (c ? ", " : "") + io::jsonString(kViewPalette[c].sampleUse);
    }
    uses += "]";
    return "{\"count\": " + std::to_string(g.size()) + ",\n    \"uses\": " + uses + ",\n    \"codes\": \"" + codes +
           "\",\n    \"xyz\": \"" + base64Floats(g.xyz) + "\"}";
}

std::string paletteArray() {
    std::string out = "[" + io::jsonString(kViewBackground);
    for (std::size_t c = 1; c < kViewPalette.size(); ++c) {
        out += ", " + io::jsonString(kViewPalette[c].rgb);
    }
    return out + "]";
}

std::string viewsArray() {
    std::string out = "[";
    for (const NamedView& v : kNamedViews) {
        out += std::string(out.size() > 1 ? ",\n    " : "") + "{\"name\": " + io::jsonString(v.name) +
               ", \"label\": " + io::jsonString(v.label) + ", \"azimuth\": " + std::to_string(v.azimuth) +
               ", \"elevation\": " + std::to_string(v.elevation) + "}";
    }
    return out + "]";
}

void fill(std::string& page, std::string_view slot, const std::string& text) {
    const std::size_t at = page.find(slot);
    if (at != std::string::npos) {
        page.replace(at, slot.size(), text);
    }
}

}  // namespace

std::string viewPage(const std::vector<ViewPoint>& points) {
    std::string page(detail::kViewPageTemplate);
    // The drawing goes in last: nothing is searched for inside its text.
    fill(page, "/*PALETTE*/", paletteArray());
    fill(page, "/*VIEWS*/", viewsArray());
    fill(page, "/*DRAWING*/", drawingObject(viewGeometry(points)));
    return page;
}

}  // namespace quorl
