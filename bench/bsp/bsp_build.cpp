// bsp-build FILE [RUNS [THREADS]]: reads a scene file, builds its whole tree RUNS times (default
// five) the way repeated clicks would (always the first waiting polygon), and prints one line of
// JSON:
//   {"polygons":N,"pieces":M,"threads":K,"best_ms":T}
// where pieces counts the polygons placed in the tree (split pieces one by one), threads is how
// many threads the build used (THREADS, or for 0, the default, as many as the machine has; scenes
// of fewer than a few thousand polygons are built on one) and best_ms is the fastest of the builds. More
// runs give a steadier figure on a busy machine.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>

#include <nlohmann/json.hpp>

#include "bsp/bsp.hpp"

int main(int argc, char** argv) {
  int runs = 5;
  int threads = 0;
  if (argc >= 3) runs = std::atoi(argv[2]);
  if (argc >= 4) threads = std::atoi(argv[3]);
  if (argc < 2 || argc > 4 || runs < 1 || threads < 0) {
    std::cerr << "usage: bsp-build FILE [RUNS [THREADS]]\n";
    return 2;
  }
  using namespace kolvar::bsp;
  try {
    const Scene scene = loadScene(argv[1]);
    double best = 1e300;
    std::size_t pieces = 0;
    for (int run = 0; run < runs; ++run) {
      const auto start = std::chrono::steady_clock::now();
      NodeRef tree = buildTree(scene.polygons, static_cast<std::size_t>(threads));
      const auto stop = std::chrono::steady_clock::now();
      best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
      pieces = treeStats(tree).placed;  // the tree is released outside the timed part
    }
    nlohmann::ordered_json out;
    out["polygons"] = scene.polygons.size();
    out["pieces"] = pieces;
    out["threads"] = threads > 0 ? static_cast<std::size_t>(threads) : buildThreads(scene.polygons.size());
    out["best_ms"] = std::round(best * 1000) / 1000;
    std::cout << out.dump() << '\n';
  } catch (const kolvar::Error& e) {
    std::cerr << "bsp-build: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
