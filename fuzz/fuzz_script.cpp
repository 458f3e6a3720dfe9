// Script lines: any input runs as user actions against the window, or stops at a bad line.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "app/script.hpp"
#include "fuzz_support.hpp"

namespace {

// Whether the script line `line` must not run here: it writes a file, reads one, or generates a
// scene. Writing (save, export, snapshot, help with a file) would put files wherever an input
// names; opening reads whatever the machine holds; and generating makes scenes of up to 100,000
// polygons, which take the fuzzer's time and memory without testing the script. The readers and
// the generators have fuzzers of their own. The line's first word is found as the script driver
// finds it.
bool leftOut(const std::string& line) {
  std::istringstream in(line);
  std::string command, second, third;
  in >> command >> second >> third;
  for (std::string_view w : {"save", "export", "snapshot", "open", "generate"})
    if (command == w) return true;
  return command == "help" && !third.empty();  // help PAGE FILE paints the page into FILE
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // The lines left out become blank lines, so that the others keep their numbers.
  std::string script;
  script.reserve(text.size());
  for (std::size_t at = 0; at <= text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string line = text.substr(at, end - at);
    if (!leftOut(line)) script += line;
    if (end < text.size()) script += '\n';
    at = end + 1;
  }
  kolvar::fuzz::ProgramSession program;
  std::istringstream in(script);
  std::ostringstream out;
  try {
    kolvar::app::runScript(in, out, nullptr);
  } catch (const kolvar::Error&) {
  }
  program.check();
  return 0;
}
