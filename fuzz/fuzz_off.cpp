// OFF files: any text gives a list of usable polygons (flat, convex, with a normal) or a message.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "bsp/bsp.hpp"
#include "fuzz_support.hpp"
#include "scenes/mesh_files.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const kolvar::bsp::PolygonList polygons = kolvar::scenes::parseOff(text, "fuzz.off");
    for (const auto& p : polygons)
      if (!std::isfinite(p->normal.x) || p->points.size() < 3 || kolvar::bsp::polygonFault(p->points)) __builtin_trap();
    // What a file gives can be built into a tree.
    if (polygons.size() <= 64) kolvar::bsp::buildTree(polygons);
  } catch (const kolvar::Error&) {
  }
  return 0;
}
