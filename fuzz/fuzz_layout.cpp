// Layout files: any text loads whole or fails with a message, and leaves nothing behind.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.hpp"
#include "graphics/graphics.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kolvar::fuzz::Session session;
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const auto loaded = kolvar::graphics::loadfigText(text, "fuzz.fig");
    for (double h : loaded.handles)
      if (kolvar::graphics::ishandle(h)) kolvar::graphics::deleteObject(h);
  } catch (const kolvar::Error&) {
  }
  kolvar::fuzz::expectNoFigures();
  return 0;
}
