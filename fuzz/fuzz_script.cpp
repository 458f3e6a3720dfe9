// Script lines: any input runs as user actions against the window, or stops at a bad line.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "app/script.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kolvar::fuzz::ProgramSession program;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::ostringstream out;
  try {
    kolvar::app::runScript(in, out, nullptr);
  } catch (const kolvar::Error&) {
  }
  program.check();
  return 0;
}
