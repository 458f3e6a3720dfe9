// kolvar-random-script N SEED: prints a script of N random user actions, the same for the same
// seed. Clicks on waiting polygons, pointing, selecting, the scanner, undo and redo, the check
// boxes, scene changes, resets, automatic steps, the painter's steps and turns of the view, in
// the mix a student at the window might make.
//
// Every line printed has run: the actions are tried on the program itself (without a screen),
// each against the state the lines before it left, and one that the window refuses (a click on
// a polygon that no longer waits, after an undo) is not printed. The script therefore runs to its
// end on any backend, since clicks name polygons by their labels, not by where they are drawn.
// Its last line is a comment giving the most steps the undo history held on the way
// ("# steps kept: N"), which is memory the program keeps by design.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.hpp"
#include "app/embedded_layout.hpp"
#include "app/program.hpp"
#include "app/script.hpp"
#include "app/state.hpp"
#include "graphics/graphics.hpp"

using namespace kolvar;
using nlohmann::json;

namespace {

// The labels of the waiting polygons and of the placed ones, found in the state's tree.
void labelsIn(const json& node, std::vector<std::string>& waiting, std::vector<std::string>& placed) {
  if (node.is_null()) return;
  if (!node["poly"].is_null()) placed.push_back(node["poly"]["label"]);
  for (const char* side : {"front", "back"})
    for (const json& p : node[side]) waiting.push_back(p["label"]);
  labelsIn(node["left"], waiting, placed);
  labelsIn(node["right"], waiting, placed);
}

class Random {
 public:
  explicit Random(std::uint64_t seed) : bits_(seed) {}
  // 0 .. n-1, from the generator's bits (its sequence is fixed by the standard).
  std::size_t below(std::size_t n) { return static_cast<std::size_t>(bits_() % n); }
  double between(double lo, double hi) { return lo + (hi - lo) * static_cast<double>(bits_() % 1000001) / 1e6; }
  template <class T>
  const T& of(const std::vector<T>& xs) { return xs[below(xs.size())]; }

 private:
  std::mt19937_64 bits_;
};

std::string number(double x) {
  std::ostringstream s;
  s.precision(3);
  s << std::fixed << x;
  return s.str();
}

std::string action(Random& r, const json& state) {
  std::vector<std::string> waiting, placed;
  labelsIn(state["tree"], waiting, placed);
  const std::size_t k = r.below(100);
  if (k < 42 && waiting.empty()) return k % 2 ? "undo" : "reset";  // the tree is whole: start again
  if (k < 30) return "click " + r.of(waiting);
  if (k < 40) return "hover " + r.of(waiting);
  if (k < 42) return "hover";
  if (k < 46 && !placed.empty()) return "select " + r.of(placed);
  if (k < 56) return "scanner " + number(r.between(-3.5, 3.5)) + " " + number(r.between(-3.5, 3.5)) + " " +
                     number(r.between(0, 1));
  if (k < 66) return "undo";
  if (k < 72) return "redo";
  if (k < 78) {
    static const std::vector<std::string> boxes = {"show_labels", "show_normals", "show_scanner",
                                                   "show_coordinate_frame", "show_planes", "show_log"};
    return "toggle " + r.of(boxes);
  }
  if (k < 82) return "scene " + std::to_string(1 + r.below(3));
  if (k < 85) return "reset";
  if (k < 90) {
    static const std::vector<std::string> strategies = {"first", "fewest", "balanced", "random 7"};
    return "auto " + r.of(strategies) + " step";
  }
  if (k < 95) {
    static const std::vector<std::string> moves = {"step", "back", "reset"};
    return "paint " + r.of(moves);
  }
  return "view " + number(r.between(-180, 180)) + " " + number(r.between(-90, 90));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: kolvar-random-script N SEED\n";
    return 2;
  }
  const long count = std::strtol(argv[1], nullptr, 10);
  Random r(std::strtoull(argv[2], nullptr, 10));
  std::cerr.rdbuf(nullptr);  // the window's own reports of what it refused
  const graphics::ProgramInfo info = app::programInfo();
  graphics::startSession({info.functions, nullptr});
  graphics::registerEmbeddedLayout("kolvar.fig", app::embeddedLayoutText());
  app::kolvar({}, 0);
  const graphics::Handle fig = app::kolvarWindow();
  json state = json::parse(app::stateJson(fig));
  std::size_t kept = 0;
  for (long printed = 0; printed < count;) {
    const std::string line = action(r, state);
    std::istringstream in(line + "\n");
    std::ostringstream out;
    try {
      app::runScript(in, out, nullptr);
    } catch (const Error&) {
      continue;
    }
    std::cout << line << '\n';
    ++printed;
    state = json::parse(app::stateJson(fig));
    const app::History& h = app::fetchState(fig).learning.history;
    kept = std::max(kept, h.doneCount + h.undoneCount);
  }
  std::cout << "# steps kept: " << kept << '\n';
  graphics::endSession();
  return 0;
}
