// Replacing a result file as a whole: the new text is written to a
// temporary file beside it and renamed over the old file only when it is
// complete, so a failure on the way (a full disk, no permission, a crash)
// never leaves a half-written file or loses the previous one. Files that
// belong together are all written first and renamed only then, so a failure
// while writing any of them leaves every one of them as it was.
#pragma once

#include <string>
#include <string_view>

namespace quorl::io {

// The temporary file a replacement of `path` is written to: `path` + ".tmp".
std::string replacementOf(const std::string& path);

// Writes `text` to the temporary file of `path`. On failure the temporary
// file is removed and the run stops (io::Stop with `status`) with a message
// that names the file and the reason; `path` itself is not touched.
void writeReplacement(const std::string& path, std::string_view text, int status);

// Renames the temporary file of `path` over `path`. On failure the
// temporary file is removed and the run stops as above.
void commitReplacement(const std::string& path, int status);

// Removes the temporary file of `path` when a regular file stands there
// (never whatever else may stand at that name); no failure.
void discardReplacement(const std::string& path);

// writeReplacement, then commitReplacement: one file replaced as a whole.
void replaceFile(const std::string& path, std::string_view text, int status);

}  // namespace quorl::io
