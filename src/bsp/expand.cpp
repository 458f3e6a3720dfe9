#include "bsp/expand.hpp"

#include <vector>

#include "bsp/split.hpp"
#include "runtime/error.hpp"

namespace kolvar::bsp {

namespace {

// A side of the new node: empty, a leaf at once for a single polygon, or a waiting list.
struct Side {
  NodeRef child;
  PolygonList list;
};

Side side(std::vector<PolygonRef> polys) {
  if (polys.size() == 1) return {bspNode(bspElement(std::move(polys[0]), {}, {}), nullptr, nullptr), {}};
  return {nullptr, PolygonList::from(std::move(polys))};
}

}  // namespace

NodeRef expandNode(const PolygonList& polyList, std::size_t index) {
  if (index >= polyList.size()) throw errors::indexOutOfBounds(index + 1, polyList.size());
  const PolygonRef& splitter = polyList[index];
  std::vector<PolygonRef> front;
  std::vector<PolygonRef> back;
  front.reserve(polyList.size());
  back.reserve(polyList.size());
  for (std::size_t i = 0; i < polyList.size(); ++i) {
    if (i == index) continue;
    const PolygonRef& p = polyList[i];
    const int c = inFront(p->points, *splitter);
    if (c == -1) {
      front.push_back(p);
    } else if (c == 1) {
      back.push_back(p);
    } else {
      auto [f, b] = splitPoly(*p, *splitter);
      if (f) front.push_back(std::move(f));
      if (b) back.push_back(std::move(b));
    }
  }
  Side f = side(std::move(front));
  Side b = side(std::move(back));
  return bspNode(bspElement(splitter, std::move(f.list), std::move(b.list)), std::move(f.child),
                 std::move(b.child));
}

NodeRef freshRoot(const PolygonList& scene) {
  return bspNode(bspElement(nullptr, scene, {}), nullptr, nullptr);
}

}  // namespace kolvar::bsp
