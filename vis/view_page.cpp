#include "vis/view_page.hpp"

#include <cstdint>
#include <cstring>
#include <string_view>

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
    std::string bytes;
    bytes.reserve(4 * values.size());
    for (const float v : values) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        for (int k = 0; k < 4; ++k) {
            bytes.push_back(static_cast<char>((bits >> (8 * k)) & 0xffu));
        }
    }
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t chunk = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (left > 1) {
            chunk |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        }
        if (left > 2) {
            chunk |= static_cast<unsigned char>(bytes[i + 2]);
        }
        out.push_back(kDigits[(chunk >> 18) & 63]);
        out.push_back(kDigits[(chunk >> 12) & 63]);
        out.push_back(left > 1 ? kDigits[(chunk >> 6) & 63] : '=');
        out.push_back(left > 2 ? kDigits[chunk & 63] : '=');
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
