// The records of the point list and of the drawing file, spelled directly
// when their values allow it.
#pragma once

#include <string>
#include <string_view>

#include "model/fixed_array.hpp"
#include "model/records.hpp"
#include "quad/quad.hpp"

namespace quorl {

// Sets `record` to what io::format(FORMATTL, tl.IC, tl.TH, tl.XYZ(1),
// tl.XYZ(2), tl.XYZ(3)) gives, followed by '\n', and returns true; or
// returns false (record unspecified) where the values need the general
// formatter: a code beyond -9..99, an angle that is not a whole number
// within -99..999, a coordinate that is not finite, far from 1 or
// whose nine digits the short exact computation cannot decide.
bool formatPointRecord(const TLREC& tl, std::string& record);

// The same for the drawing file's coordinate records, (3e18.9).
bool formatCoordinateRecord(const FixedArray1<Quad, 1, 3>& xyz, std::string& record);

// The same for its records of point numbers and codes, (i9,1x,i2), for a
// number within 0..999999999 and a code within -9..99.
bool formatNumberRecord(int number, int code, std::string& record);

// True when `text`, three e18.9 fields, is exactly what (3e18.9) writes
// for the values it reads as: every field "   0.ddddddddd" or
// "  -0.ddddddddd", first digit not 0, then "E+xx" or "E-xx" (not "E-00"),
// or a zero of either sign, "   0.000000000E+00" or "  -0.000000000E+00".
// Such text can be copied where those values are to be written again: the
// quad nearest a nine-digit decimal gives back the same nine digits.
bool isOwnCoordinateText(std::string_view text);

}  // namespace quorl
