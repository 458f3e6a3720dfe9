#pragma once
// Writing a file so that it is never seen half written. A snapshot, a print to PDF or a saved
// session that fails part way (the disk is full, the program is stopped) must leave the file that
// was there before, not a truncated one.
#include <functional>
#include <string>

namespace kolvar::runtime {

// `write` fills the file at the temporary path it is given, in the same folder as `path`; when it
// returns, the temporary file is flushed to the disk and renamed over `path` in one step. If
// `write` throws, or flushing or renaming fails, the temporary file is removed, `path` is left
// as it was and an Input error names `path` and the reason.
void writeFileAtomically(const std::string& path, const std::function<void(const std::string& temporary)>& write);

}  // namespace kolvar::runtime
