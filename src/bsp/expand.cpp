#include "bsp/expand.hpp"

#include <vector>

#include "bsp/split.hpp"
#include "runtime/error.hpp"

namespace kolvar::bsp {

namespace {

// A side of the new node: empty, a leaf at once for a single polygon, or a waiting list.
struct Child {
  NodeRef child;
  PolygonList list;
};

Child child(std::vector<PolygonRef> polys) {
  if (polys.size() == 1) return {bspNode(bspElement(std::move(polys[0]), {}, {}), nullptr, nullptr), {}};
  return {nullptr, PolygonList::from(std::move(polys))};
}

}  // namespace

NodeRef expandNode(const PolygonList& polyList, std::size_t index) {
  const std::size_t n = polyList.size();
  if (index >= n) throw errors::indexOutOfBounds(index + 1, n);
  const Polygon& splitter = *polyList[index];

  // First the side of every polygon, so that both lists get their exact size: waiting lists of
  // large scenes hold many thousands of polygons, and they stay in the tree.
  using geometry::Side;
  const geometry::Plane plane = planeOf(splitter);
  std::vector<Side> sides(n);
  std::size_t nFront = 0;
  std::size_t nBack = 0;
  for (std::size_t i = 0; i < n; ++i) {
    // The polygons lie scattered in memory; ask for the ones a few steps ahead early.
    if (i + 8 < n) __builtin_prefetch(polyList[i + 8].get());
    if (i + 4 < n) __builtin_prefetch(polyList[i + 4]->points.data());
    if (i == index) continue;
    // On the plane counts as in front; a straddling polygon sends a piece to each side.
    const Polygon& p = *polyList[i];
    const Side s = geometry::sideOf(p.points, plane, sideTolerance(p, splitter));  // sideOf(p, splitter), its plane made once
    sides[i] = s;
    nFront += s != Side::Back;
    nBack += s == Side::Back || s == Side::Straddling;
  }

  std::vector<PolygonRef> front(nFront);
  std::vector<PolygonRef> back(nBack);
  std::size_t iFront = 0;
  std::size_t iBack = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i == index) continue;
    const PolygonRef& p = polyList[i];
    switch (sides[i]) {
      case Side::Front:
      case Side::On: front[iFront++] = p; break;
      case Side::Back: back[iBack++] = p; break;
      case Side::Straddling: {  // its pieces stand where it stood
        auto [f, b] = splitPoly(*p, splitter);
        if (f) front[iFront++] = std::move(f);
        if (b) back[iBack++] = std::move(b);
        break;
      }
    }
  }
  front.resize(iFront);  // fewer where a split dropped a piece with no area
  back.resize(iBack);
  Child f = child(std::move(front));
  Child b = child(std::move(back));
  return bspNode(bspElement(polyList[index], std::move(f.list), std::move(b.list)),
                 std::move(f.child), std::move(b.child));
}

NodeRef freshRoot(const PolygonList& scene) {
  return bspNode(bspElement(nullptr, scene, {}), nullptr, nullptr);
}

}  // namespace kolvar::bsp
