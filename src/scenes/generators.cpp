#include "scenes/generators.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "geometry/polygon_normal.hpp"

namespace kolvar::scenes {

using bsp::PolygonList;
using bsp::PolygonRef;
using geometry::Vec3;

namespace {

// Uniform numbers from the top 53 bits of the generator's output, the same everywhere.
class Uniform {
 public:
  explicit Uniform(std::uint64_t seed) : rng_(seed) {}
  double operator()(double lo, double hi) {
    return lo + (hi - lo) * (static_cast<double>(rng_() >> 11) * 0x1.0p-53);
  }

 private:
  std::mt19937_64 rng_;  // its output sequence is fixed by the standard
};

// The loop wound so that its normal points along `outward`.
std::vector<Vec3> facing(std::vector<Vec3> loop, const Vec3& outward) {
  if (dot(geometry::newellNormal(loop), outward) < 0) std::reverse(loop.begin(), loop.end());
  return loop;
}

// The six faces of the box whose bottom corners are `b` (a convex loop) and whose top is `height`
// above them, facing away from the box's inside (or into it when `inward`).
void addBox(std::vector<PolygonRef>& out, const std::string& name, const std::vector<Vec3>& b, double height,
            bool inward, bool capped) {
  const Vec3 up{0, 0, height};
  Vec3 centre;
  for (const Vec3& p : b) centre = centre + p;
  centre = (1.0 / static_cast<double>(b.size())) * centre + 0.5 * up;
  const double sign = inward ? -1 : 1;
  std::vector<std::pair<std::string, std::vector<Vec3>>> faces;
  if (capped) {
    faces.push_back({"1", b});
    std::vector<Vec3> top;
    for (const Vec3& p : b) top.push_back(p + up);
    faces.push_back({"2", top});
  }
  for (std::size_t i = 0; i < b.size(); ++i) {
    const Vec3& p = b[i];
    const Vec3& q = b[(i + 1) % b.size()];
    faces.push_back({std::to_string(faces.size() + 1), {p, q, q + up, p + up}});
  }
  for (auto& [suffix, loop] : faces) {
    Vec3 c;
    for (const Vec3& p : loop) c = c + p;
    const Vec3 outward = sign * ((1.0 / static_cast<double>(loop.size())) * c - centre);
    out.push_back(bsp::newPolygon(facing(std::move(loop), outward), name + "." + suffix));
  }
}

}  // namespace

PolygonList walls(std::size_t count, std::uint64_t seed) {
  Uniform uniform(seed);
  std::vector<PolygonRef> out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double cx = uniform(0, 100);
    const double cy = uniform(0, 100);
    const double angle = uniform(0, 2 * std::numbers::pi);
    const double half = uniform(0.5, 2) / 2;
    const double dx = half * std::cos(angle);
    const double dy = half * std::sin(angle);
    out.push_back(bsp::newPolygon(
        {{cx - dx, cy - dy, 0}, {cx + dx, cy + dy, 0}, {cx + dx, cy + dy, 1}, {cx - dx, cy - dy, 1}},
        "w" + std::to_string(i + 1)));
  }
  return PolygonList::from(std::move(out));
}

PolygonList boxes(std::size_t count, std::uint64_t seed) {
  Uniform uniform(seed);
  std::vector<PolygonRef> out;
  out.reserve(6 * count);
  for (std::size_t i = 0; i < count; ++i) {
    const double cx = uniform(0, 100);
    const double cy = uniform(0, 100);
    const double angle = uniform(0, 2 * std::numbers::pi);
    const double a = uniform(1, 5) / 2;
    const double b = uniform(1, 5) / 2;
    const double h = uniform(1, 3);
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    std::vector<Vec3> bottom;
    for (const auto& [u, v] : {std::pair{-a, -b}, std::pair{a, -b}, std::pair{a, b}, std::pair{-a, b}})
      bottom.push_back({cx + c * u - s * v, cy + s * u + c * v, 0});
    addBox(out, "b" + std::to_string(i + 1), bottom, h, false, true);
  }
  return PolygonList::from(std::move(out));
}

PolygonList terrain(std::size_t size) {
  const auto height = [](double x, double y) {
    return 0.6 * std::sin(0.7 * x) * std::cos(0.5 * y) + 0.25 * std::sin(1.3 * x + 0.4 * y) + 0.05 * x;
  };
  std::vector<PolygonRef> out;
  out.reserve(2 * size * size);
  const auto at = [&](std::size_t i, std::size_t j) {
    const double x = static_cast<double>(i);
    const double y = static_cast<double>(j);
    return Vec3{x, y, height(x, y)};
  };
  for (std::size_t j = 0; j < size; ++j) {
    for (std::size_t i = 0; i < size; ++i) {
      // Counter-clockwise seen from above, so both triangles face upwards.
      out.push_back(bsp::newPolygon({at(i, j), at(i + 1, j), at(i + 1, j + 1)}, "t" + std::to_string(out.size() + 1)));
      out.push_back(bsp::newPolygon({at(i, j), at(i + 1, j + 1), at(i, j + 1)}, "t" + std::to_string(out.size() + 1)));
    }
  }
  return PolygonList::from(std::move(out));
}

PolygonList roomWithPillars(std::size_t n) {
  const double side = 3.0 * static_cast<double>(n);
  const double height = 3;
  std::vector<PolygonRef> out;
  const std::vector<Vec3> corners{{0, 0, 0}, {side, 0, 0}, {side, side, 0}, {0, side, 0}};
  std::vector<PolygonRef> room;
  addBox(room, "room", corners, height, true, true);
  const char* const names[] = {"floor", "ceiling", "wall1", "wall2", "wall3", "wall4"};
  for (std::size_t k = 0; k < room.size(); ++k) out.push_back(bsp::newPolygon(room[k]->points, names[k]));
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t i = 0; i < n; ++i) {
      const double x = 3.0 * static_cast<double>(i) + 1;
      const double y = 3.0 * static_cast<double>(j) + 1;
      addBox(out, "p" + std::to_string(j * n + i + 1), {{x, y, 0}, {x + 1, y, 0}, {x + 1, y + 1, 0}, {x, y + 1, 0}},
             height, false, false);
    }
  }
  return PolygonList::from(std::move(out));
}

namespace {
constexpr std::size_t kMaxGenerated = 100000;  // polygons: what the window still shows
}  // namespace

bsp::Scene generate(const std::vector<std::string>& w) {
  const char* usage = "generate walls COUNT SEED, generate boxes COUNT SEED, generate terrain SIZE or generate room N";
  auto whole = [&](const std::string& word, std::size_t most) {
    std::size_t used = 0;
    unsigned long long n = 0;
    try {
      n = std::stoull(word, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != word.size() || word.empty() || word[0] == '-')
      throw Error("\"" + word + "\" is not a whole number (" + usage + ")", ErrorKind::Input);
    if (n > most) throw Error("at most " + std::to_string(most) + " for " + w[0] + ", not " + word, ErrorKind::Input);
    return static_cast<std::size_t>(n);
  };
  const std::size_t arity = w.empty() ? 0 : (w[0] == "walls" || w[0] == "boxes") ? 3 : 2;
  if (w.empty() || w.size() != arity || !(w[0] == "walls" || w[0] == "boxes" || w[0] == "terrain" || w[0] == "room"))
    throw Error(std::string("usage: ") + usage, ErrorKind::Input);
  bsp::Scene scene;
  for (const std::string& word : w) scene.name += (scene.name.empty() ? "" : " ") + word;
  if (w[0] == "walls") {
    scene.polygons = walls(std::max<std::size_t>(1, whole(w[1], kMaxGenerated)), whole(w[2], SIZE_MAX));
  } else if (w[0] == "boxes") {
    scene.polygons = boxes(std::max<std::size_t>(1, whole(w[1], kMaxGenerated / 6)), whole(w[2], SIZE_MAX));
  } else if (w[0] == "terrain") {
    scene.polygons = terrain(std::max<std::size_t>(1, whole(w[1], 200)));  // 2 x 200^2 triangles
  } else {
    scene.polygons = roomWithPillars(std::max<std::size_t>(1, whole(w[1], 100)));
  }
  return scene;
}

}  // namespace kolvar::scenes
