// Replacing a result file as a whole: the new text is written to a
// temporary file of its own beside it (created exclusively, never through a
// link; see io/output_file.hpp) and renamed over the old file only when it
// is complete, so a failure on the way (a full disk, no permission, a
// crash) never leaves a half-written file or loses the previous one. Files
// that belong together are all written first (writeReplacement, held by
// the run's Units) and renamed only then (commitReplacement), so a failure
// while writing any of them leaves every one of them as it was.
#pragma once

#include <string>
#include <string_view>

#include "io/units.hpp"

namespace quorl::io {

// Writes `text` as the complete new file `path`, not yet in place. On
// failure the temporary file is removed and the run stops (io::Stop with
// `status`) with a message that names the file and the system's reason;
// `path` itself is not touched.
void writeReplacement(Units& units, const std::string& path, std::string_view text, int status);

// Puts the file written for `path` in place of the old one. On failure the
// temporary file is removed and the run stops as above.
void commitReplacement(Units& units, const std::string& path, int status);

// Drops the file written for `path` without putting it in place; no failure.
void discardReplacement(Units& units, const std::string& path);

// One file replaced as a whole, with no Units: written, then renamed.
void replaceFile(const std::string& path, std::string_view text, int status);

}  // namespace quorl::io
