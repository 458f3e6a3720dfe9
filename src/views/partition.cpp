// What the partition view shows beyond the placed polygons: every node's splitting plane as a
// translucent sheet within the node's cell, the polygons still waiting (ghosted, coloured by the
// side they were filed on), a cell as a translucent polyhedron, and the highlights of what the
// student points at.
#include "views/partition.hpp"

#include <deque>
#include <map>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "bsp/cells.hpp"
#include "bsp/statistics.hpp"
#include "graphics/graphics.hpp"
#include "views/palette.hpp"

namespace kolvar::views {

namespace g = kolvar::graphics;

namespace {

Value rgb(const Rgb& c) { return Value::row({c[0], c[1], c[2]}); }

// The outline of a translucent sheet or cell: opaque, in the colour an outline of `opacity` shows
// over the white of the axes. It looks the same, and a translucent outline costs ten times as much
// to draw as an opaque one (the window repaints a dozen of them at every step).
Rgb edgeOver(const Rgb& colour, double opacity) { return lighter(colour, 1 - opacity); }

// A convex loop as a patch, closed by repeating its first vertex, ignoring clicks.
Handle loopPatch(const std::vector<bsp::Vec3>& loop, const g::PropertyList& props) {
  const std::size_t n = loop.size();
  Matrix x(n + 1, 1), y(n + 1, 1), z(n + 1, 1);
  for (std::size_t i = 0; i <= n; ++i) {
    x[i] = loop[i % n].x;
    y[i] = loop[i % n].y;
    z[i] = loop[i % n].z;
  }
  g::PropertyList all{{"HitTest", "off"}, {"FaceLighting", "none"}};
  all.insert(all.end(), props.begin(), props.end());
  return g::patch(x, y, z, "b", all);
}

geometry::Cell boxOf(const Limits& lim) {
  return geometry::boxCell({lim[0], lim[2], lim[4]}, {lim[1], lim[3], lim[5]});
}

// Calls `f(node, cell)` for the nodes of the tree that hold a polygon, nearest the root first
// and at most `most` of them, with each one's cell: `box` cut by the half-spaces above it. Each
// cell is its parent's cut once more, so a tree costs one cut per node, not one per node and level.
template <class F>
void forEachPlacedCell(const bsp::NodeRef& root, const geometry::Cell& box, std::size_t most, F&& f) {
  struct Item {
    const bsp::BspNode* node;
    geometry::Cell cell;
  };
  const double tolerance = bsp::cutTolerance(box);
  std::deque<Item> queue;
  if (root) queue.push_back({root.get(), box});
  for (std::size_t visited = 0; !queue.empty() && visited < most;) {
    Item it = std::move(queue.front());
    queue.pop_front();
    const bsp::BspNode& n = *it.node;
    if (!n.element || !n.element->poly) continue;
    f(n, it.cell);
    ++visited;
    const geometry::Plane plane = bsp::planeOf(*n.element->poly);
    for (const auto& [child, front] : {std::pair{n.left.get(), true}, std::pair{n.right.get(), false}})
      if (child) queue.push_back({child, it.cell.empty() ? it.cell : geometry::clipCell(it.cell, plane, front, tolerance)});
  }
}

}  // namespace

void drawPlanes(const bsp::NodeRef& root, const Limits& limits, const bsp::Polygon* highlighted,
                const bsp::Polygon* selected) {
  const double tolerance = bsp::cutTolerance(boxOf(limits));
  const auto sheet = [&](const bsp::Polygon& poly, const geometry::Cell& cell) {
    const auto loop = geometry::section(cell, bsp::planeOf(poly), tolerance);
    if (loop.empty()) return;
    const bool lit = &poly == highlighted;
    const Rgb& colour = lit ? kHighlightColour : kPlaneColour;
    loopPatch(loop, {{"FaceColor", rgb(colour)}, {"FaceAlpha", lit ? 0.35 : 0.12}, {"EdgeColor", rgb(edgeOver(colour, 0.6))}});
  };
  // A large tree shows the planes of its first levels: thousands of sheets would fill the view
  // as a fog, and each would be cut by all the others. The selected one shows wherever it is.
  bool selectedDrawn = false;
  forEachPlacedCell(root, boxOf(limits), kMostPlanes, [&](const bsp::BspNode& n, const geometry::Cell& cell) {
    selectedDrawn = selectedDrawn || n.element->poly.get() == selected;
    sheet(*n.element->poly, cell);
  });
  if (selected && !selectedDrawn) {
    const geometry::Cell cell = cellOfNode(root, selected, limits);
    if (!cell.empty()) sheet(*selected, cell);
  }
}

Handle drawPlaneOf(const bsp::Polygon& polygon, const Limits& limits, const Rgb& colour) {
  const geometry::Cell box = boxOf(limits);
  const auto sheet = geometry::section(box, bsp::planeOf(polygon), bsp::cutTolerance(box));
  if (sheet.empty()) return 0;
  return loopPatch(sheet, {{"FaceColor", rgb(colour)}, {"FaceAlpha", 0.3}, {"EdgeColor", rgb(edgeOver(colour, 0.8))}});
}

namespace {

// Ghosts that look alike, drawn as one patch of many faces (one column each, padded with NaN
// corners, which the renderer leaves out): a scene of 100,000 waiting polygons makes a handful
// of objects instead of 100,000. Ghosts ignore clicks, so nothing needs them one by one.
struct GhostLook {
  Rgb side;
  bool outcome = false;
  bool operator<(const GhostLook& o) const {
    return std::tie(side[0], side[1], side[2], outcome) < std::tie(o.side[0], o.side[1], o.side[2], o.outcome);
  }
};

void ghostPatch(const GhostLook& look, const std::vector<const bsp::Polygon*>& polygons) {
  const LoopColumns m = loopColumns(polygons);
  g::patch(m.x, m.y, m.z, "b",
           {{"HitTest", "off"},
            {"FaceLighting", "none"},
            {"FaceColor", rgb(look.outcome ? look.side : lighter(look.side, 0.55))},
            {"FaceAlpha", look.outcome ? 0.7 : 0.35},
            {"EdgeColor", rgb(look.side)},
            {"LineStyle", "--"}});
}

}  // namespace

void drawWaiting(const bsp::NodeRef& root, const Preview* preview) {
  // What a preview says of a polygon of its list, by label (a list may hold thousands).
  std::unordered_map<std::string_view, const Rgb*> outcomes;
  if (preview)
    for (const auto& [labels, colour] : {std::pair{&preview->outcome.split, &kSplitColour},
                                         std::pair{&preview->outcome.back, &kBackColour},
                                         std::pair{&preview->outcome.front, &kFrontColour}})
      for (const std::string& label : *labels) outcomes[label] = colour;
  auto previewed = [&](const std::string& label) -> const Rgb* {
    const auto it = outcomes.find(label);
    return it == outcomes.end() ? nullptr : it->second;
  };
  std::map<GhostLook, std::vector<const bsp::Polygon*>> ghosts;
  const std::size_t stride = ghostStride(bsp::treeStats(root).waiting);
  std::size_t seen = 0;  // waiting polygons met so far, in the order of the walk
  std::vector<const bsp::BspNode*> stack;
  if (root) stack.push_back(root.get());
  while (!stack.empty()) {
    const bsp::BspNode* n = stack.back();
    stack.pop_back();
    if (n->left) stack.push_back(n->left.get());
    if (n->right) stack.push_back(n->right.get());
    if (!n->element) continue;
    const bool placeholder = !n->element->poly;
    for (bool front : {true, false}) {
      const bsp::PolygonList& list = front ? n->element->front : n->element->back;
      const bool inPreview = preview && list.size() > 0 && preview->list.size() > 0 && list[0] == preview->list[0];
      for (const auto& p : list) {
        if (preview && p.get() == preview->splitter) {
          loopPatch(p->points, {{"FaceColor", rgb(kHighlightColour)}, {"EdgeColor", rgb(kHighlightColour)}, {"LineWidth", 2.0}});
          continue;
        }
        if (seen++ % stride != 0) continue;
        // Ghosts: light faces with dashed outlines, in the colour of the side they wait on
        // (grey under the first node, which has no plane yet); while a preview shows what
        // choosing a polygon of their list would do, in the colour of that outcome.
        const Rgb* outcome = inPreview ? previewed(p->label) : nullptr;
        const Rgb side = outcome ? *outcome : placeholder ? Rgb{0.55, 0.55, 0.6} : front ? kFrontColour : kBackColour;
        ghosts[GhostLook{side, outcome != nullptr}].push_back(p.get());
      }
    }
  }
  for (const auto& [look, polygons] : ghosts) ghostPatch(look, polygons);
}

void drawCell(const geometry::Cell& cell, const Rgb& colour) {
  for (const auto& face : cell.faces)
    loopPatch(face, {{"FaceColor", rgb(colour)}, {"FaceAlpha", 0.07}, {"EdgeColor", rgb(edgeOver(colour, 0.9))}});
}

geometry::Cell cellOfNode(const bsp::NodeRef& root, const bsp::Polygon* splitter, const Limits& limits) {
  const auto path = bsp::pathTo(root, splitter);
  if (!path) return {};
  return bsp::cut(boxOf(limits), *path);
}

geometry::Cell cellOfPoint(const bsp::NodeRef& root, const bsp::Vec3& point, const Limits& limits) {
  return bsp::cut(boxOf(limits), bsp::pathOfPoint(root, point));
}

std::string previewSentence(const bsp::Preview& p) {
  auto count = [](std::size_t n, const char* where) { return std::to_string(n) + " " + where; };
  // A status line of one line: of many split polygons the first few are named, the rest counted.
  return p.splitter + " as splitter: " + count(p.front.size(), "in front") + ", " + count(p.back.size(), "behind") +
         ", " + (p.split.empty() ? std::string("splits nothing") : "splits " + bsp::joinLabels(p.split));
}

}  // namespace kolvar::views
