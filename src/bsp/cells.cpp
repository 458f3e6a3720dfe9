#include "bsp/cells.hpp"

#include <cmath>

#include "runtime/error.hpp"

namespace kolvar::bsp {

std::optional<std::vector<HalfSpace>> pathTo(const NodeRef& root, const Polygon* splitter) {
  // Depth first. When a node at depth d is taken from the stack, path[0, d-1) still holds the
  // half-spaces down to its parent: everything visited since the parent lay below the parent.
  struct Item {
    const BspNode* node;
    const BspNode* parent;
    std::size_t depth;
    bool front;  // the side of its parent it hangs on
  };
  std::vector<Item> stack;
  if (root) stack.push_back({root.get(), nullptr, 0, true});
  std::vector<HalfSpace> path;
  while (!stack.empty()) {
    const Item it = stack.back();
    stack.pop_back();
    const BspNode& n = *it.node;
    if (!n.element || !n.element->poly) continue;
    if (it.parent) {
      path.resize(it.depth - 1);
      path.push_back({planeOf(*it.parent->element->poly), it.front});
    } else {
      path.clear();
    }
    if (n.element->poly.get() == splitter) return path;
    if (n.right) stack.push_back({n.right.get(), &n, it.depth + 1, false});
    if (n.left) stack.push_back({n.left.get(), &n, it.depth + 1, true});
  }
  return std::nullopt;
}

std::vector<HalfSpace> pathOfPoint(const NodeRef& root, const Vec3& point) {
  std::vector<HalfSpace> path;
  for (const BspNode* n = root.get(); n && n->element && n->element->poly;) {
    const Polygon& p = *n->element->poly;
    const bool front = !behind(point, p);
    path.push_back({planeOf(p), front});
    n = front ? n->left.get() : n->right.get();
  }
  return path;
}

double cutTolerance(const geometry::Cell& box) {
  // The box is the scene's, so its corners give the scene's magnitude.
  double m = 0;
  for (const auto& face : box.faces) m = std::fmax(m, geometry::magnitude(face));
  return sideTolerance(m, 0);
}

geometry::Cell cut(geometry::Cell box, const std::vector<HalfSpace>& path) {
  const double tolerance = cutTolerance(box);
  for (const HalfSpace& h : path) {
    if (box.empty()) break;
    box = geometry::clipCell(box, h.plane, h.front, tolerance);
  }
  return box;
}

Preview previewSplit(const PolygonList& list, std::size_t index) {
  const std::size_t n = list.size();
  if (index >= n) throw errors::indexOutOfBounds(index + 1, n);
  const Polygon& splitter = *list[index];
  Preview p;
  p.splitter = splitter.label;
  for (std::size_t i = 0; i < n; ++i) {
    if (i == index) continue;
    const geometry::Side side = sideOf(*list[i], splitter);
    (side == geometry::Side::Straddling ? p.split : side == geometry::Side::Back ? p.back : p.front).push_back(list[i]->label);
  }
  return p;
}

}  // namespace kolvar::bsp
