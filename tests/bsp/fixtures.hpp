#pragma once
// Helpers shared by the BSP tests.
#include <stdexcept>
#include <string>
#include <vector>

#include "../support.hpp"
#include "bsp/bsp.hpp"

namespace kolvar::bsp::testing {

using Labels = std::vector<std::string>;

inline Labels labels(const PolygonList& list) {
  Labels out;
  for (const PolygonRef& p : list) out.push_back(p->label);
  return out;
}

// A click on the polygon labelled `label` in the waiting list `list`.
inline NodeRef click(const NodeRef& root, const PolygonList& list, const std::string& label) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i]->label == label) return bspInsertNode(root, expandNode(list, i));
  throw std::runtime_error("no polygon " + label + " in the list");
}

// Scene 3 after clicking 2 in the placeholder's list, then 3 in the root's front list:
// root 2 with back leaf 1b; its front side a node 3 with leaves 1aa in front and 1ab behind.
inline NodeRef scene3Tree() {
  NodeRef root = freshRoot(presetScenes()[2]);
  root = click(root, root->element->front, "2");
  return click(root, root->element->front, "3");
}

inline NodeRef leaf(PolygonRef p) { return bspNode(bspElement(std::move(p), {}, {}), nullptr, nullptr); }

// Area of a planar loop: half the length of its Newell vector.
inline double area(const Polygon& p) {
  Vec3 s;
  for (std::size_t i = 0; i < p.points.size(); ++i) s = s + cross(p.points[i], p.points[(i + 1) % p.points.size()]);
  return norm(s) / 2;
}

}  // namespace kolvar::bsp::testing
