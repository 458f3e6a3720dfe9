// Script lines: any input runs as user actions against the window, or stops at a bad line.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "app/script.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Opening files reads whatever the machine holds, and generating makes scenes of up to 100,000
  // polygons, which take the fuzzer's time and memory without testing the script: the readers
  // and generators have fuzzers and tests of their own.
  if (text.find("open") != std::string::npos || text.find("generate") != std::string::npos) return 0;
  kolvar::fuzz::ProgramSession program;
  std::istringstream in(text);
  std::ostringstream out;
  try {
    kolvar::app::runScript(in, out, nullptr);
  } catch (const kolvar::Error&) {
  }
  program.check();
  return 0;
}
