// Scene files: any text gives a scene of usable polygons (flat, convex, with a normal) or a message.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "bsp/bsp.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const kolvar::bsp::Scene scene = kolvar::bsp::parseScene(text, "fuzz.json");
    // What a file gives can be built into a tree, clicked through in any order.
    if (scene.polygons.size() <= 64) kolvar::bsp::buildTree(scene.polygons);
    for (const auto& p : scene.polygons)
      if (!std::isfinite(p->normal.x) || p->points.size() < 3 || kolvar::bsp::faceFault(p->points)) __builtin_trap();
  } catch (const kolvar::Error&) {
  }
  return 0;
}
