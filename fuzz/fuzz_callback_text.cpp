// Callback texts: any text is parsed and run against the program's functions with the kolvar
// window open, or refused; nothing crashes and the window keeps its state readable.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.hpp"
#include "graphics/graphics.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kolvar::fuzz::ProgramSession program;
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    kolvar::graphics::eval(text);
  } catch (const std::exception&) {
  }
  program.check();
  return 0;
}
