// Replacing a result file as a whole: the new text is written to a
// temporary file beside it and renamed over the old file only when it is
// complete, so a failure on the way (a full disk, no permission, a crash)
// never leaves a half-written file or loses the previous one.
#pragma once

#include <string>
#include <string_view>

namespace quorl::io {

// Writes `text` to `path` + ".tmp", then renames it to `path`. On any
// failure the temporary file is removed, the old file is left as it was,
// and the run stops (io::Stop with `status`) with a message that names the
// file and the reason.
void replaceFile(const std::string& path, std::string_view text, int status);

}  // namespace quorl::io
