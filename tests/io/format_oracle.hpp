// The gfortran side of the differential test of io::format: a list of
// cases (format text and items) is run through the Fortran oracle program
// (tests/io/oracle/format_oracle.f90), which returns what gfortran writes.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "io/format.hpp"

namespace quorl::test {

struct OracleCase {
    std::string family;  // for the per-family counts
    std::string fmt;     // as io::format takes it; "*" for free-form output
    std::vector<io::Item> items;
};

class OracleCases {
public:
    // A text item that lives as long as the list.
    std::string_view keep(std::string s) { return texts_.emplace_back(std::move(s)); }
    void add(std::string family, std::string fmt, std::vector<io::Item> items) {
        cases_.push_back(OracleCase{std::move(family), std::move(fmt), std::move(items)});
    }
    const std::vector<OracleCase>& cases() const { return cases_; }

private:
    std::deque<std::string> texts_;
    std::vector<OracleCase> cases_;
};

// True when the value hi + lo is exactly a binary128 number, so that the
// oracle can write it as a real(16).
bool fitsBinary128(Quad q);

// True when gfortran's Gw.d of this value as a real(16) takes the other
// form than the exact rule that io::format applies to a Quad: gfortran forms
// the limits in binary128 and takes 0.1 as a double, which moves them by up
// to 6e-18 relative. Such values are left out of the comparison.
bool gfortranChoosesOtherGForm(Quad q, int d);

// gfortran's text for every case, or nullopt where gfortran reported an
// error (it then rejects the format or the item). Throws std::runtime_error
// if the oracle cannot be run.
std::vector<std::optional<std::string>> runOracle(const std::vector<OracleCase>& cases, const std::string& oracle,
                                                  const std::string& workDir);

}  // namespace quorl::test

namespace quorl::test {

// Case generators, one per descriptor family (tests/io/format_cases.cpp).
void addIntegerCases(OracleCases& list);
void addFixedCases(OracleCases& list);
void addExponentCases(OracleCases& list);
void addGeneralCases(OracleCases& list);
void addQuadCases(OracleCases& list);
void addWideDecimalCases(OracleCases& list);
void addTextCases(OracleCases& list);
void addRecordCases(OracleCases& list);
void addSystemFormatCases(OracleCases& list, const std::vector<std::string>& formats);
void addFreeFormCases(OracleCases& list);

}  // namespace quorl::test
