#include "format_oracle.hpp"

#include "quad/decimal.hpp"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <variant>

namespace quorl::test {

namespace {

__float128 toFloat128(Quad q) {
    if (q.lo == 0.0) {
        return static_cast<__float128>(q.hi);  // keeps the sign of a zero
    }
    return static_cast<__float128>(q.hi) + static_cast<__float128>(q.lo);
}

// gfortran spells the open-record descriptor '$', not '\'.
std::string gfortranFormat(const std::string& fmt) {
    std::string out;
    char quote = 0;
    for (const char c : fmt) {
        if (quote == 0 && (c == '\'' || c == '"')) {
            quote = c;
        } else if (quote != 0 && c == quote) {
            quote = 0;  // a doubled quote closes and reopens: same effect
        }
        out += (quote == 0 && c == '\\') ? '$' : c;
    }
    return out;
}

void writeItem(std::ostream& in, const io::Item& item) {
    if (const auto* v = std::get_if<std::int32_t>(&item)) {
        in << "1 " << *v << '\n';
    } else if (const auto* v = std::get_if<std::int64_t>(&item)) {
        in << "2 " << *v << '\n';
    } else if (const auto* v = std::get_if<float>(&item)) {
        std::int32_t bits;
        std::memcpy(&bits, v, sizeof bits);
        in << "3 " << bits << '\n';
    } else if (const auto* v = std::get_if<double>(&item)) {
        std::int64_t bits;
        std::memcpy(&bits, v, sizeof bits);
        in << "4 " << bits << '\n';
    } else if (const auto* v = std::get_if<Quad>(&item)) {
        if (!fitsBinary128(*v)) {
            throw std::logic_error("oracle case with a Quad that is not a binary128 value");
        }
        const __float128 f = toFloat128(*v);
        std::int64_t bits[2];
        std::memcpy(bits, &f, sizeof bits);
        in << "5 " << bits[0] << ' ' << bits[1] << '\n';
    } else {
        const auto text = std::get<std::string_view>(item);
        in << "6 " << text.size() << '\n' << text << '\n';
    }
}

}  // namespace

bool fitsBinary128(Quad q) {
    if (!std::isfinite(q.hi) || !std::isfinite(q.lo)) {
        return q.lo == 0.0 || std::isnan(q.lo);
    }
    const __float128 f = toFloat128(q);
    return f - static_cast<__float128>(q.hi) == static_cast<__float128>(q.lo);
}

bool gfortranChoosesOtherGForm(Quad q, int d) {
    if (!isFinite(q) || (q.hi == 0.0 && q.lo == 0.0) || d <= 0) {
        return false;
    }
    // gfortran: limits formed in binary128, with 0.1 taken as a double.
    const __float128 m = toFloat128(abs(q));
    __float128 pow = 1;
    for (int i = 0; i < d; ++i) {
        pow *= 10;
    }
    const __float128 scale = 1 - static_cast<__float128>(0.5) / pow;
    int theirs = 0;
    if (m < static_cast<__float128>(0.1) * scale || static_cast<__float128>(0.5) >= pow - m) {
        theirs = -1;
    } else {
        __float128 p = 1;
        for (int k = 1; k <= d && m >= p * scale; ++k, p *= 10) {
            theirs = k;
        }
    }
    // exact: the value rounded to d digits lies in [10^(s-1), 10^s)
    std::string digits;
    const int k = scientificDigits(q, d, digits);
    const int exact = k >= 0 && k <= d ? k : -1;
    return theirs != exact;
}

std::vector<std::optional<std::string>> runOracle(const std::vector<OracleCase>& cases, const std::string& oracle,
                                                  const std::string& workDir) {
    const std::string inPath = workDir + "/format_oracle_in.txt", outPath = workDir + "/format_oracle_out.txt";
    {
        std::ofstream in(inPath, std::ios::binary);
        for (const OracleCase& c : cases) {
            in << gfortranFormat(c.fmt) << '\n' << c.items.size() << '\n';
            for (const io::Item& item : c.items) {
                writeItem(in, item);
            }
        }
        if (!in) {
            throw std::runtime_error("cannot write " + inPath);
        }
    }
    const std::string command = "'" + oracle + "' < '" + inPath + "' > '" + outPath + "'";
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("the format oracle failed: " + command);
    }
    std::ifstream outFile(outPath, std::ios::binary);
    std::stringstream buffer;
    buffer << outFile.rdbuf();
    const std::string out = buffer.str();

    std::vector<std::optional<std::string>> results;
    std::size_t pos = 0;
    while (results.size() < cases.size()) {
        const std::size_t mark = out.find('\x01', pos);
        if (mark == std::string::npos || mark + 4 > out.size()) {
            throw std::runtime_error("the format oracle stopped after " + std::to_string(results.size()) + " cases");
        }
        if (out.compare(mark + 1, 3, "END") == 0) {
            results.emplace_back(out.substr(pos, mark - pos));
        } else {
            results.emplace_back(std::nullopt);
        }
        pos = mark + 5;  // marker and its newline
    }
    return results;
}

}  // namespace quorl::test
