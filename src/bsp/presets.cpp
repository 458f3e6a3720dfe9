#include "bsp/presets.hpp"

#include <string>
#include <vector>

namespace kolvar::bsp {

namespace {

PolygonList scene(std::vector<std::pair<const char*, std::vector<Vec3>>> polys) {
  std::vector<PolygonRef> list;
  for (auto& [label, points] : polys) list.push_back(newPolygon(std::move(points), label));
  return PolygonList::from(std::move(list));
}

}  // namespace

std::array<PolygonList, 3> presetScenes() {
  // Five vertical walls standing on z = 0, one unit high.
  PolygonList one = scene({
      {"1", {{-2.1, -2.2, 0}, {-1.2, -1.8, 0}, {-1.2, -1.8, 1}, {-2.1, -2.2, 1}}},
      {"2", {{-1.2, 1.2, 0}, {-2.1, 2, 0}, {-2.1, 2, 1}, {-1.2, 1.2, 1}}},
      {"3", {{0.8, 1, 0}, {0.2, -0.2, 0}, {0.2, -0.2, 1}, {0.8, 1, 1}}},
      {"4", {{1, -2.2, 0}, {2, -1.5, 0}, {2, -1.5, 1}, {1, -2.2, 1}}},
      {"5", {{2, 2.2, 0}, {0.2, 3, 0}, {0.2, 3, 1}, {2, 2.2, 1}}},
  });

  // Three triangles in the parallel planes x = -2, 0, 2.
  std::vector<PolygonRef> triangles;
  for (int j = 1; j <= 3; ++j) {
    const double x = 2.0 * j - 4.0;
    triangles.push_back(newPolygon({{x, -2, -2}, {x, 0, 4}, {x, 4, 0}}, std::to_string(j)));
  }
  PolygonList two = PolygonList::from(std::move(triangles));

  // Three vertical walls. Wall 2 runs up its first edge and then across, unlike its neighbours.
  PolygonList three = scene({
      {"1", {{-1.5, -1, 0}, {1.5, -1, 0}, {1.5, -1, 1}, {-1.5, -1, 1}}},
      {"2", {{-2, 1.5, 0}, {-2, 1.5, 1}, {-1, 0, 1}, {-1, 0, 0}}},
      {"3", {{2, 1.5, 0}, {1, 0, 0}, {1, 0, 1}, {2, 1.5, 1}}},
  });

  return {std::move(one), std::move(two), std::move(three)};
}

}  // namespace kolvar::bsp
