// Decimal text of the e18.9 fields of a drawing's point list, and of the
// 17-digit fields of a data table, both ways,
// per field: read back through parseQuad (whose fast path serves them)
// beside the exact general conversion alone, and written through the e18.9
// descriptor (whose digits come from the fast path for few digits) beside
// the exact expansion alone; and one whole point-list record read and
// written with its format.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "io/format.hpp"
#include "io/format_read.hpp"
#include "quad/decimal.hpp"
#include "vis/draw_3d_jtl.hpp"
#include "vis/read_point_record.hpp"
#include "vis/write_point_record.hpp"

namespace {

using quorl::Quad;

// Fields as the drawing writes them: sign, 0., nine digits, E and a
// two-digit exponent, over the magnitudes a landscape takes.
const std::vector<std::string>& fields() {
    static const std::vector<std::string> v = [] {
        std::mt19937_64 rng(18);
        std::uniform_int_distribution<int> digits(100000000, 999999999), exponent(-8, 8);
        std::vector<std::string> out;
        for (int i = 0; i < 1024; ++i) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%s0.%09dE%+03d", (rng() & 1) != 0 ? "-" : "", digits(rng), exponent(rng));
            out.emplace_back(buf);
        }
        return out;
    }();
    return v;
}

// Fields as every program that writes doubles writes them: %.17g of
// doubles over 1e-12 .. 1e12 (the columns of a data table).
const std::vector<std::string>& doubleFields() {
    static const std::vector<std::string> v = [] {
        std::mt19937_64 rng(17);
        std::uniform_real_distribution<double> logScale(-12.0, 12.0);
        std::vector<std::string> out;
        for (int i = 0; i < 1024; ++i) {
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.17g", ((rng() & 1) != 0 ? -1.0 : 1.0) * std::pow(10.0, logScale(rng)));
            out.emplace_back(buf);
        }
        return out;
    }();
    return v;
}

template <class F>
void perField(benchmark::State& state, F parse, const std::vector<std::string>& all = fields()) {
    Quad q{};
    for (auto _ : state) {
        for (const std::string& f : all) {
            parse(f, q);
            benchmark::DoNotOptimize(q);
        }
    }
    state.counters["per_field"] = benchmark::Counter(static_cast<double>(all.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void BM_DecimalField_Fast(benchmark::State& state) {
    perField(state, [](const std::string& f, Quad& q) { return quorl::parseQuad(f, q); });
}
BENCHMARK(BM_DecimalField_Fast);

void BM_DecimalField_Exact(benchmark::State& state) {
    perField(state, [](const std::string& f, Quad& q) { return quorl::detail::parseQuadExact(f, q); });
}
BENCHMARK(BM_DecimalField_Exact);

void BM_DoubleField_Fast(benchmark::State& state) {
    perField(state, [](const std::string& f, Quad& q) { return quorl::parseQuad(f, q); }, doubleFields());
}
BENCHMARK(BM_DoubleField_Fast);

void BM_DoubleField_Exact(benchmark::State& state) {
    perField(state, [](const std::string& f, Quad& q) { return quorl::detail::parseQuadExact(f, q); },
             doubleFields());
}
BENCHMARK(BM_DoubleField_Exact);

// One record of the point list: an integer, an f5.1 and three e18.9 fields.
void BM_ReadPointRecord(benchmark::State& state) {
    const std::string record = "13   1.0   0.400000000E+01   0.449450000E+01  -0.139350000E+01";
    std::int32_t ic = 0;
    Quad th{}, x{}, y{}, z{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(quorl::io::readFormatted(record, quorl::FORMATTL, ic, th, x, y, z).ok());
    }
}
BENCHMARK(BM_ReadPointRecord);

// The same record read by the point list's own reader (column by column).
void BM_ReadPointRecordDirect(benchmark::State& state) {
    const std::string record = "13   1.0   0.400000000E+01   0.449450000E+01  -0.139350000E+01";
    quorl::TLREC tl;
    for (auto _ : state) {
        benchmark::DoNotOptimize(quorl::readPointRecord(record, tl));
        benchmark::DoNotOptimize(tl);
    }
}
BENCHMARK(BM_ReadPointRecordDirect);

// The values of those fields, as quad reals with full tails.
const std::vector<Quad>& values() {
    static const std::vector<Quad> v = [] {
        std::vector<Quad> out;
        for (const std::string& f : fields()) {
            const Quad q = quorl::quadFromText(f);
            out.push_back(q * quorl::quadFromText("1.000000000000000000000000000001"));
        }
        return out;
    }();
    return v;
}

void BM_E18_9Field_Write(benchmark::State& state) {
    for (auto _ : state) {
        for (const Quad& q : values()) {
            std::string s = quorl::io::format("(e18.9)", q);
            benchmark::DoNotOptimize(s);
        }
    }
    state.counters["per_field"] = benchmark::Counter(static_cast<double>(values().size()),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}
BENCHMARK(BM_E18_9Field_Write);

template <class F>
void digitsPerField(benchmark::State& state, F digits) {
    std::string s;
    for (auto _ : state) {
        for (const Quad& q : values()) {
            benchmark::DoNotOptimize(digits(q, s));
        }
    }
    state.counters["per_field"] = benchmark::Counter(static_cast<double>(values().size()),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void BM_NineDigits_Fast(benchmark::State& state) {
    digitsPerField(state, [](const Quad& q, std::string& s) { return quorl::scientificDigits(q, 9, s); });
}
BENCHMARK(BM_NineDigits_Fast);

void BM_NineDigits_Exact(benchmark::State& state) {
    digitsPerField(state, [](const Quad& q, std::string& s) { return quorl::detail::scientificDigitsExact(q, 9, s); });
}
BENCHMARK(BM_NineDigits_Exact);

void BM_WritePointRecord(benchmark::State& state) {
    const Quad x = values()[0], y = values()[1], z = values()[2], th = quorl::fromInt(1);
    for (auto _ : state) {
        std::string s = quorl::io::format(quorl::FORMATTL, 13, th, x, y, z);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_WritePointRecord);

// The same record spelled by the point list's own writer.
void BM_WritePointRecordDirect(benchmark::State& state) {
    quorl::TLREC tl;
    tl.IC = 13;
    tl.TH = 1.0f;
    tl.XYZ(1) = values()[0];
    tl.XYZ(2) = values()[1];
    tl.XYZ(3) = values()[2];
    std::string s;
    for (auto _ : state) {
        benchmark::DoNotOptimize(quorl::formatPointRecord(tl, s));
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_WritePointRecordDirect);

}  // namespace
