// bsp-auto FILE STRATEGY...: reads a scene file, builds its whole tree five times with the
// strategy (first, fewest, balanced, random SEED or optimal) as "Build all" would, and prints
// one line of JSON:
//   {"strategy":"fewest","polygons":N,"pieces":M,"depth":D,"best_ms":T}
// where best_ms is the fastest of the five builds.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>

#include <nlohmann/json.hpp>

#include "bsp/bsp.hpp"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: bsp-auto FILE STRATEGY...\n";
    return 2;
  }
  using namespace kolvar::bsp;
  try {
    const Strategy strategy = parseStrategy({argv + 2, argv + argc});
    const Scene scene = loadScene(argv[1]);
    const NodeRef fresh = freshRoot(scene.polygons);
    double best = 1e300;
    Statistics stats;
    for (int run = 0; run < 5; ++run) {
      const auto start = std::chrono::steady_clock::now();
      NodeRef tree = buildWith(fresh, strategy);
      const auto stop = std::chrono::steady_clock::now();
      best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
      stats = statistics(tree, scene.polygons.size());  // the tree is released outside the timed part
    }
    nlohmann::ordered_json out;
    out["strategy"] = strategyName(strategy);
    out["polygons"] = scene.polygons.size();
    out["pieces"] = stats.pieces;
    out["depth"] = stats.depth;
    out["best_ms"] = std::round(best * 1000) / 1000;
    std::cout << out.dump() << '\n';
  } catch (const kolvar::Error& e) {
    std::cerr << "bsp-auto: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
