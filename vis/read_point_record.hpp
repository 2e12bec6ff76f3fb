// One record of the point list, read as the format FORMATTL reads it.
#pragma once

#include <string_view>

#include "model/records.hpp"

namespace quorl {

// Reads `record` into tl as io::readFormatted(record, FORMATTL, tl.IC,
// tl.TH, tl.XYZ(1), tl.XYZ(2), tl.XYZ(3)) does, with the same values and the
// same success; false where that read fails. A record in the layout the
// point list is written in (every field in its columns, the number of the
// real fields with its point) is read column by column; any other record
// goes to the general reader.
bool readPointRecord(std::string_view record, TLREC& tl);

}  // namespace quorl
