#include "views/tree_view.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_set>

#include "guiruntime/cla.hpp"
#include "views/painter.hpp"
#include "views/partition.hpp"
#include "views/palette.hpp"

namespace kolvar::views {

namespace g = kolvar::graphics;
using diagram::LayoutKind;

namespace {

// Texts of the tree view use the runtime's default font.
constexpr double kFontSize = 10;
constexpr const char* kFontName = "Helvetica";
constexpr double kTextMargin = 2;  // pixels around a text inside its box

// A compact layout is drawn with texts only where a slot and a level are at least this many
// pixels: closer, the captions of neighbours would run into each other.
constexpr double kLegibleSlotPx = 36;
constexpr double kLegibleLevelPx = 30;
constexpr double kSwitchPx = 14;  // the fold switch beside a caption
// The closest zoom: a slot (compact) or the root's spread divided 2^6 times (classic) this wide.
constexpr double kClosestSlotPx = 200;
constexpr double kClosestLevelPx = 60;

// Room that "fit" leaves around the nodes for their captions, in pixels.
constexpr double kFitSide = 36;
constexpr double kFitTop = 16;

Value colourValue(const Rgb& c) { return Value::row({c[0], c[1], c[2]}); }
const Rgb kEdgeBlue{0, 0, 1};
const Rgb kListPink{0.9, 0.7, 0.7};
const Rgb kListLetter{0.75, 0.45, 0.45};
const Rgb kItemEdge{0.75, 0.78, 0.9};

// The height of one waiting-list item in pixels: one line of text and its margins.
double itemPixels() {
  return g::backend().fontMetrics().measure("Xg", kFontSize, kFontName).height + 2 * kTextMargin;
}
double textPixels(const std::string& s) {
  return g::backend().fontMetrics().measure(s, kFontSize, kFontName).width + 2 * kTextMargin;
}

// How many items a waiting list shows, its fold marker included.
std::size_t itemsShown(const bsp::PolygonList& list, const TreeView* view) {
  if (!diagram::foldable(list.size())) return list.size();
  const bool unfolded = view && view->isUnfolded(list[0].get());
  return (unfolded ? list.size() : diagram::kFoldShown) + 1;
}

// How far the longest list column shown hangs below its anchor, in pixels.
double tallestList(const diagram::TreeLayout& layout, const TreeView* view) {
  std::size_t tallest = 0;
  for (const diagram::LaidNode& n : layout.nodes)
    if (n.node->element && !n.collapsed)
      tallest = std::max({tallest, itemsShown(n.node->element->front, view), itemsShown(n.node->element->back, view)});
  return static_cast<double>(tallest) * itemPixels();
}

double scaleX(const TreeWindow& w, const g::Rect& px) { return px.width / std::max(w.x1 - w.x0, 1e-300); }
double scaleY(const TreeWindow& w, const g::Rect& px) { return px.height / std::max(w.y1 - w.y0, 1e-300); }

// The closest scale each way, in pixels per layout unit.
std::array<double, 2> closestScale(const diagram::TreeLayout& layout, const diagram::Frame& frame,
                                   const g::Rect& px) {
  if (layout.kind == LayoutKind::Compact) return {kClosestSlotPx, kClosestLevelPx};
  const double base = px.width / (frame.x1 - frame.x0);
  const double baseY = px.height / (frame.y1 - frame.y0);
  return {base * 64, baseY * 16};
}

// Everything the drawing of one tree view needs at hand.
struct Drawing {
  const Picture& p;
  const TreeView* view;
  TreeWindow win;
  double sx = 1, sy = 1;  // pixels per unit
  double item = 0;        // one list item's height in units
  bool compact = false;
  // Whether a point, with `px` pixels around it, can show in the view.
  bool near(double x, double y, double pxAround, double pxBelow = 0) const {
    const double mx = pxAround / sx, my = pxAround / sy;
    return x >= win.x0 - mx && x <= win.x1 + mx && y >= win.y0 - my && y <= win.y1 + my + pxBelow / sy;
  }
};

// One waiting-list item, a button that chooses its polygon as the next splitter.
void plotItem(const Drawing& d, double x, double y, const bsp::PolygonList& list, std::size_t i, const Value& listValue) {
  const Focus& focus = d.p.focus;
  const Handle item = g::text(x, y, list[i]->label, {{"BackgroundColor", "w"}});
  g::set(item, "UserData", Value::cellRow({Value(static_cast<double>(i + 1)), listValue}));
  g::set(item, "ButtonDownFcn", d.p.callbacks.itemClick);
  g::set(item, "HitTest", "on");
  const bool hovered = focus.preview && list[i].get() == focus.preview->splitter;
  g::set(item, {{"EdgeColor", colourValue(kItemEdge)},
                {"TooltipString", "Click to make " + list[i]->label + " the next splitter"}});
  if (hovered) g::set(item, "BackgroundColor", colourValue(kHighlightColour));
}

// A clickable marker that folds or unfolds a list or a subtree.
void plotFoldMarker(const Drawing& d, double x, double y, const std::string& text, const std::string& tip,
                    const bsp::PolygonRef& polygon, bool list, const char* align = "left") {
  const Handle m = g::text(x, y, text,
                           {{"BackgroundColor", Value::row({0.93, 0.95, 1.0})},
                            {"EdgeColor", colourValue(kItemEdge)},
                            {"Color", Value::row({0.1, 0.2, 0.6})},
                            {"HorizontalAlignment", align}});
  g::set(m, {{"UserData", Value::wrap(std::make_shared<const FoldMarker>(FoldMarker{polygon, list}))},
             {"TooltipString", tip},
             {"HitTest", d.p.callbacks.fold.isEmpty() ? "off" : "on"}});
  if (!d.p.callbacks.fold.isEmpty()) g::set(m, "ButtonDownFcn", d.p.callbacks.fold);
}

// A waiting list hanging from (cx, cy): short lists as the classic column, long ones folded to
// their first items and "+ N more" unless unfolded, and only the items the view can show.
void plotList(const Drawing& d, double cx, double cy, const bsp::PolygonList& list) {
  if (!diagram::foldable(list.size())) {
    const std::size_t first = g::childrenOf(g::gca()).size();
    bspPlotList({cx, 0, cy, 0}, list, d.p.callbacks.itemClick);
    // The items look like what they are: buttons, with the one under the pointer lit.
    const auto children = g::childrenOf(g::gca());
    const Focus& focus = d.p.focus;
    for (std::size_t i = first; i < children.size(); ++i) {
      const Handle item = children[i];
      const bool hovered = focus.preview && list[i - first].get() == focus.preview->splitter;
      g::set(item, {{"EdgeColor", colourValue(kItemEdge)},
                    {"TooltipString", "Click to make " + list[i - first]->label + " the next splitter"}});
      if (hovered) g::set(item, "BackgroundColor", colourValue(kHighlightColour));
    }
    return;
  }
  const bool unfolded = d.view && d.view->isUnfolded(list[0].get());
  const std::size_t shown = unfolded ? list.size() : diagram::kFoldShown;
  const Value listValue = polygonListValue(list);
  // Items keep their height in pixels; only those inside the view are made.
  const double margin = 80 / d.sx;
  if (cx < d.win.x0 - margin || cx > d.win.x1 + margin) return;
  const auto lo = static_cast<std::ptrdiff_t>(std::floor((cy - d.win.y1) / d.item)) - 1;
  const auto hi = static_cast<std::ptrdiff_t>(std::ceil((cy - d.win.y0) / d.item)) + 1;
  const std::size_t from = static_cast<std::size_t>(std::max<std::ptrdiff_t>(lo, 0));
  const std::size_t to = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(hi, 0, static_cast<std::ptrdiff_t>(shown)));
  for (std::size_t i = from; i < to; ++i) plotItem(d, cx, cy - static_cast<double>(i) * d.item, list, i, listValue);
  if (static_cast<std::ptrdiff_t>(shown) <= hi) {
    const std::string more = unfolded ? "fold the list" : "+ " + std::to_string(list.size() - shown) + " more";
    plotFoldMarker(d, cx, cy - static_cast<double>(shown) * d.item, more,
                   unfolded ? "Click to show only the first items" : "Click to show the whole list", list[0],
                   true);
  }
}

// The pale-red connector from a node to a waiting list, with its side's letter at the middle as
// the edges to the children carry theirs.
void plotConnector(double x, double y, double cx, double cy, bool front) {
  g::line(Matrix::row({x, cx}), Matrix::row({y, cy}), Matrix(), {{"Color", colourValue(kListPink)}, {"HitTest", "off"}});
  const Handle t = g::text((x + cx) / 2, (y + cy) / 2, front ? "f" : "b");
  g::set(t, {{"HitTest", "off"},
             {"Color", colourValue(kListLetter)},
             {"HorizontalAlignment", front ? "right" : "left"},
             {"VerticalAlignment", "bottom"}});
}

// A node's caption: a white disc for the placeholder root, else its label in a box that selects
// the node when clicked.
void plotCaption(const Drawing& d, double x, double y, const bsp::BspElement& element) {
  const Callbacks& callbacks = d.p.callbacks;
  const Focus& focus = d.p.focus;
  if (!element.poly) {
    const Handle disc = g::line(Matrix::row({x}), Matrix::row({y}), Matrix(), {{"Marker", "o"}, {"MarkerFaceColor", "w"}});
    g::set(disc, "HitTest", "off");
    return;
  }
  const std::string& label = element.poly->label;
  const Handle caption = g::text(x, y, label.empty() ? std::string("no label") : label);
  g::set(caption, "HitTest", "off");
  const bool lit = element.poly.get() == focus.highlighted || element.poly.get() == focus.selected;
  g::set(caption, {{"BackgroundColor", lit ? colourValue(kHighlightColour) : Value("w")},
                   {"EdgeColor", "b"},
                   {"HorizontalAlignment", "center"}});
  // A caption that looks like a button acts like one: it selects its node.
  if (!callbacks.captionClick.isEmpty())
    g::set(caption, {{"ButtonDownFcn", callbacks.captionClick},
                     {"HitTest", "on"},
                     {"UserData", Value::wrap(element.poly)},
                     {"TooltipString", "Click to select node " + label + " and see its cell"}});
}

// The marker under a collapsed node: how many nodes its subtree folds away.
void plotCollapsed(const Drawing& d, double x, double y, const bsp::BspElement& e, std::size_t below) {
  plotFoldMarker(d, x, y - itemPixels() / d.sy, "+" + std::to_string(below), "Click to show the " + std::to_string(below) +
                 " nodes under " + e.poly->label, e.poly, false, "center");
}

// The classic layout: the walk of btplotnodes, every node with its lists and caption.
void drawSpread(const Drawing& d, const diagram::Frame& frame) {
  const Picture& p = d.p;
  const auto collapsed = [&](const bsp::BspNode& n) {
    return d.view && n.element && n.element->poly && d.view->isCollapsed(n.element->poly.get());
  };
  std::vector<std::pair<const bsp::BspElement*, std::size_t>> folded;
  diagram::btplotnodes(diagram::rootPosition(frame), p.root, [&](const diagram::NodePos& pos, const bsp::BspElement& e) {
    const auto [x, dx, y, dy] = pos;
    for (const bool front : {true, false}) {
      const bsp::PolygonList& list = front ? e.front : e.back;
      if (list.empty()) continue;
      const double cx = front ? x - dx / 2 : x + dx / 2, cy = y - dy;
      plotConnector(x, y, cx, cy, front);
      plotList(d, cx, cy, list);
    }
    plotCaption(d, x, y, e);
    if (p.painted && e.poly && e.poly == p.painted->poly) markVisited(pos, e, p.scanner);
  }, collapsed);
  // Markers of collapsed nodes (only a student's fold makes them), on top of everything.
  if (d.view && !d.view->collapsed.empty()) {
    const diagram::TreeLayout layout = diagram::layoutTree(p.root, frame, collapsed);
    for (const diagram::LaidNode& n : layout.nodes)
      if (n.collapsed) plotCollapsed(d, n.x, n.y, *n.node->element, n.below);
  }
}

// Points joined in pairs by one line object, a NaN between pairs: thousands of edges cost one
// object.
void plotSegments(const std::vector<double>& xs, const std::vector<double>& ys, const Rgb& colour) {
  if (xs.empty()) return;
  Matrix mx(1, xs.size()), my(1, ys.size());
  for (std::size_t i = 0; i < xs.size(); ++i) mx[i] = xs[i], my[i] = ys[i];
  g::line(mx, my, Matrix(), {{"Color", colourValue(colour)}, {"HitTest", "off"}});
}
void plotDots(const std::vector<double>& xs, const std::vector<double>& ys, const Rgb& colour, double size) {
  if (xs.empty()) return;
  Matrix mx(1, xs.size()), my(1, ys.size());
  for (std::size_t i = 0; i < xs.size(); ++i) mx[i] = xs[i], my[i] = ys[i];
  g::line(mx, my, Matrix(),
          {{"LineStyle", "none"}, {"Marker", "s"}, {"MarkerSize", size}, {"MarkerEdgeColor", colourValue(colour)},
           {"MarkerFaceColor", colourValue(colour)}, {"HitTest", "off"}});
}

// The compact layout of a large tree: edges and list connectors as one object each, and only
// what the view shows. Where a caption would not fit its slot at this zoom the node is a dot.
void drawCompact(const Drawing& d, const diagram::TreeLayout& layout) {
  const Picture& p = d.p;
  const bool legible = d.sx >= kLegibleSlotPx && d.sy >= kLegibleLevelPx;
  const double nan = std::nan("");
  std::vector<double> ex, ey, lx, ly, dotX, dotY, listX, listY;
  // Zoomed out, thousands of nodes fall on a few pixels: each pixel gets one dot, and one edge
  // between two pixels is drawn once.
  std::array<std::unordered_set<std::uint64_t>, 4> drawn;  // node dots, edges, connectors, list dots
  auto pixel = [&](double x, double y) {
    const auto px = static_cast<std::uint64_t>(std::clamp(std::lround((x - d.win.x0) * d.sx) + 4096, 0L, 65535L));
    const auto py = static_cast<std::uint64_t>(std::clamp(std::lround((d.win.y1 - y) * d.sy) + 4096, 0L, 65535L));
    return px << 16 | py;
  };
  auto firstAt = [&](std::size_t kind, std::uint64_t a, std::uint64_t b) { return drawn[kind].insert(a << 32 | b).second; };
  auto segment = [&](std::vector<double>& xs, std::vector<double>& ys, double x0, double y0, double x1, double y1) {
    // Only segments that cross the view.
    if (std::max(x0, x1) < d.win.x0 || std::min(x0, x1) > d.win.x1 || std::max(y0, y1) < d.win.y0 ||
        std::min(y0, y1) > d.win.y1)
      return;
    if (!firstAt(&xs == &ex ? 1 : 2, pixel(x0, y0), pixel(x1, y1))) return;
    // Edges met in pre-order mostly continue where the last one ended: one polyline then.
    if (xs.empty() || xs.back() != x0 || ys.back() != y0) {
      if (!xs.empty()) xs.push_back(nan), ys.push_back(nan);
      xs.push_back(x0), ys.push_back(y0);
    }
    xs.push_back(x1), ys.push_back(y1);
  };
  for (const diagram::LaidNode& n : layout.nodes) {
    if (n.parent >= 0) {
      const diagram::LaidNode& up = layout.nodes[static_cast<std::size_t>(n.parent)];
      segment(ex, ey, up.x, up.y, n.x, n.y);
    }
    if (n.collapsed || !n.node->element) continue;
    for (const bool front : {true, false})
      if (!(front ? n.node->element->front : n.node->element->back).empty()) {
        const double cx = front ? n.frontX : n.backX;
        segment(lx, ly, n.x, n.y, cx, n.childY);
        if (!legible && d.near(cx, n.childY, 4) && firstAt(3, pixel(cx, n.childY), 0))
          listX.push_back(cx), listY.push_back(n.childY);
      }
  }
  plotSegments(ex, ey, kEdgeBlue);
  plotSegments(lx, ly, kListPink);

  std::vector<const diagram::LaidNode*> captions;
  for (const diagram::LaidNode& n : layout.nodes) {
    if (!n.node->element || !d.near(n.x, n.y, 40, legible ? 400 : 0)) continue;
    const bsp::BspElement& e = *n.node->element;
    // Room for the caption and its fold switch, beside a neighbour as wide.
    const bool fits = legible && (!e.poly || textPixels(e.poly->label) + kSwitchPx <= d.sx);
    if (!fits) {
      if (d.near(n.x, n.y, 4) && firstAt(0, pixel(n.x, n.y), 0)) dotX.push_back(n.x), dotY.push_back(n.y);
      continue;
    }
    captions.push_back(&n);
  }
  plotDots(listX, listY, kListPink, 3);
  plotDots(dotX, dotY, Rgb{0.2, 0.3, 0.8}, 3);

  // Legible nodes: the letters of their edges, their lists, captions and fold markers.
  for (const diagram::LaidNode* n : captions) {
    const bsp::BspElement& e = *n->node->element;
    // A node above the view still hangs its list into it, but a caption is drawn only where its
    // place is in view: one placed outside would show as a sliver cut by the view's edge.
    const bool inView = n->x >= d.win.x0 && n->x <= d.win.x1 && n->y >= d.win.y0 && n->y <= d.win.y1;
    if (!n->collapsed) {
      for (const bool front : {true, false}) {
        const bsp::PolygonList& list = front ? e.front : e.back;
        const bsp::NodeRef& child = front ? n->node->left : n->node->right;
        const double cx = front ? n->frontX : n->backX;
        if (child && inView) {
          const Handle t = g::text((n->x + cx) / 2, (n->y + n->childY) / 2, front ? "f" : "b");
          g::set(t, {{"HitTest", "off"},
                     {"Color", "b"},
                     {"HorizontalAlignment", front ? "right" : "left"},
                     {"VerticalAlignment", "bottom"}});
        } else if (!list.empty()) {
          plotList(d, cx, n->childY, list);
        }
      }
    }
    if (!inView) continue;
    plotCaption(d, n->x, n->y, e);
    if (p.painted && e.poly && e.poly == p.painted->poly) markVisited({n->x, 1, n->y, 1}, e, p.scanner);
    if (!e.poly) continue;
    if (n->collapsed) {
      plotCollapsed(d, n->x, n->y, e, n->below);
    } else if (n->below > 0) {
      // The fold switch sits by the right edge of the caption.
      plotFoldMarker(d, n->x + (textPixels(e.poly->label) / 2 + 2) / d.sx, n->y, "\xe2\x88\x92",
                     "Click to fold the " + std::to_string(n->below) + " nodes under " + e.poly->label, e.poly, false);
    }
  }
}

}  // namespace

g::Rect treePlotBox(Handle ax) {
  const g::Camera cam = g::axesCamera(ax);
  const Matrix xl = g::get(ax, "XLim").matrix(), yl = g::get(ax, "YLim").matrix();
  const g::Point a = g::dataToPixel(cam, {xl[0], yl[1], 0}), b = g::dataToPixel(cam, {xl[1], yl[0], 0});
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
}

bool TreeView::isCollapsed(const bsp::Polygon* node) const {
  return std::any_of(collapsed.begin(), collapsed.end(), [&](const bsp::PolygonRef& q) { return q.get() == node; });
}
bool TreeView::isUnfolded(const bsp::Polygon* first) const {
  return std::any_of(unfolded.begin(), unfolded.end(), [&](const bsp::PolygonRef& q) { return q.get() == first; });
}

diagram::Frame treeFrame(const AxesSetup& setup) {
  const Limits& l = setup.limits[2];
  return {l[0], l[1], l[2], l[3]};
}

diagram::TreeLayout treeLayout(const bsp::NodeRef& root, const AxesSetup& setup, const TreeView& view) {
  if (view.collapsed.empty()) return diagram::layoutTree(root, treeFrame(setup));
  return diagram::layoutTree(root, treeFrame(setup), [&](const bsp::BspNode& n) {
    return n.element && n.element->poly && view.isCollapsed(n.element->poly.get());
  });
}

namespace {

// The classic layout's own view: the frame across, and downwards as far as the tree and its
// lists reach, so that the levels of a shallow tree spread over the panel instead of crowding
// its top third. The root keeps its place; the levels stretch apart by at most kMostStretch
// times the frame's spacing, so a tree of one level stays near the top, as it always stood.
constexpr double kMostStretch = 3;

TreeWindow spreadWindow(const diagram::TreeLayout& layout, const diagram::Frame& frame, const g::Rect& px,
                        const TreeView& view) {
  const TreeWindow whole{frame.x0, frame.x1, frame.y0, frame.y1};
  const double rootY = diagram::rootPosition(frame)[2];
  if (layout.empty() || !(rootY > layout.y0) || !(px.height > 0)) return whole;
  const double base = scaleY(whole, px);
  const double above = (frame.y1 - rootY) * base;  // the root's row, in pixels from the top
  const double room = px.height - above - kFitTop - tallestList(layout, &view);
  const double sy = std::clamp(room / (rootY - layout.y0), base, kMostStretch * base);
  TreeWindow w = whole;
  w.y1 = rootY + above / sy;
  w.y0 = w.y1 - px.height / sy;
  return w;
}

}  // namespace

TreeWindow shownWindow(const TreeView& view, const diagram::TreeLayout& layout, const diagram::Frame& frame,
                       const g::Rect& pixels) {
  if (view.window && view.kind == layout.kind) return *view.window;
  if (layout.kind == LayoutKind::Compact) return fitWindow(layout, frame, pixels, &view);
  return spreadWindow(layout, frame, pixels, view);
}

TreeWindow fitWindow(const diagram::TreeLayout& layout, const diagram::Frame& frame, const g::Rect& px,
                     const TreeView* view) {
  if (layout.empty()) return {frame.x0, frame.x1, frame.y0, frame.y1};
  const double below = kFitTop + tallestList(layout, view);
  // A tree of one row or one column still has a sensible extent.
  const double unit = layout.kind == LayoutKind::Compact ? 1 : (frame.y1 - frame.y0) / 10;
  const double spanX = std::max(layout.x1 - layout.x0, unit), spanY = std::max(layout.y1 - layout.y0, unit);
  const double cx = (layout.x0 + layout.x1) / 2, cy = (layout.y0 + layout.y1) / 2;
  const double roomX = px.width - 2 * kFitSide, roomY = px.height - kFitTop - below;
  const double sx = roomX > px.width / 4 ? roomX / spanX : px.width / 4 / spanX;
  const double sy = roomY > px.height / 4 ? roomY / spanY : px.height / 4 / spanY;
  TreeWindow w;
  w.x0 = cx - spanX / 2 - kFitSide / sx;
  w.x1 = w.x0 + px.width / sx;
  w.y1 = cy + spanY / 2 + kFitTop / sy;
  w.y0 = w.y1 - px.height / sy;
  return w;
}

std::array<double, 2> legibleSize(const diagram::TreeLayout& layout, const g::Rect& px, const TreeView* view) {
  if (layout.kind != LayoutKind::Compact || layout.empty()) return {px.width, px.height};
  // Every caption with its fold switch fits its slot, every level is legible (a pixel to spare
  // for rounding): what drawCompact asks before it draws a node as its caption.
  double slot = kLegibleSlotPx;
  for (const diagram::LaidNode& n : layout.nodes)
    if (n.node->element && n.node->element->poly)
      slot = std::max(slot, textPixels(n.node->element->poly->label) + kSwitchPx);
  const double spanX = std::max(layout.x1 - layout.x0, 1.0), spanY = std::max(layout.y1 - layout.y0, 1.0);
  // The room fitWindow leaves around the nodes, and below them for the longest list.
  const double width = spanX * (slot + 1) + 2 * kFitSide;
  const double height = spanY * (kLegibleLevelPx + 1) + 2 * kFitTop + tallestList(layout, view);
  return {std::clamp(width, px.width, std::max(px.width, kLargestPicture)),
          std::clamp(height, px.height, std::max(px.height, kLargestPicture))};
}

TreeWindow zoomWindow(const TreeWindow& w, const diagram::TreeLayout& layout, const diagram::Frame& frame,
                      const TreeView& view, const g::Rect& px, g::Point at, double factor) {
  const TreeWindow whole = fitWindow(layout, frame, px, &view);
  const auto closest = closestScale(layout, frame, px);
  const double farthestX = std::min(scaleX(whole, px), scaleX({frame.x0, frame.x1, frame.y0, frame.y1}, px)) / 2;
  const double farthestY = std::min(scaleY(whole, px), scaleY({frame.x0, frame.x1, frame.y0, frame.y1}, px)) / 2;
  const double sx0 = scaleX(w, px), sy0 = scaleY(w, px);
  const double sx = std::clamp(sx0 * factor, std::min(farthestX, sx0), std::max(closest[0], sx0));
  const double sy = std::clamp(sy0 * factor, std::min(farthestY, sy0), std::max(closest[1], sy0));
  // The point under the pointer stays there.
  const double ux = w.x0 + (at.x - px.x) / sx0, uy = w.y1 - (at.y - px.y) / sy0;
  TreeWindow z;
  z.x0 = ux - (at.x - px.x) / sx;
  z.x1 = z.x0 + px.width / sx;
  z.y1 = uy + (at.y - px.y) / sy;
  z.y0 = z.y1 - px.height / sy;
  return z;
}

TreeWindow panWindow(const TreeWindow& w, const diagram::TreeLayout& layout, const TreeView& view, const g::Rect& px,
                     double dx, double dy) {
  const double sx = scaleX(w, px), sy = scaleY(w, px);
  double mx = -dx / sx, my = dy / sy;
  if (!layout.empty()) {
    // The centre stays over the layout and its lists: the tree cannot be dragged out of sight.
    const double cx = (w.x0 + w.x1) / 2, cy = (w.y0 + w.y1) / 2;
    const double bottom = layout.y0 - tallestList(layout, &view) / sy;
    mx = std::clamp(cx + mx, std::min(cx, layout.x0), std::max(cx, layout.x1)) - cx;
    my = std::clamp(cy + my, std::min(cy, bottom), std::max(cy, layout.y1)) - cy;
  }
  return {w.x0 + mx, w.x1 + mx, w.y0 + my, w.y1 + my};
}

void drawTreeView(const Picture& p) {
  const Handle ax = p.axes[2];
  g::axes(ax);
  gui::cla();
  g::view(ax, Value(2.0));
  g::grid(ax, false);
  // Panned or zoomed, the drawing is larger than the view: what lies across its edge is cut
  // there, not drawn over the panels beside it.
  g::set(ax, "ClipContent", "on");
  const diagram::Frame frame = treeFrame(*p.setup);
  const TreeView none;
  const TreeView& view = p.treeView ? *p.treeView : none;
  // The caller's layout when it has one: a step of a pan or a zoom lays the tree out once.
  std::optional<diagram::TreeLayout> own;
  if (!p.treeLayout) own = treeLayout(p.root, *p.setup, view);
  const diagram::TreeLayout& layout = p.treeLayout ? *p.treeLayout : *own;
  const g::Rect px = treePlotBox(ax);
  Drawing d{p, p.treeView, shownWindow(view, layout, frame, px)};
  g::set(ax, {{"XLim", Value::row({d.win.x0, d.win.x1})}, {"YLim", Value::row({d.win.y0, d.win.y1})}});
  d.sx = scaleX(d.win, px);
  d.sy = scaleY(d.win, px);
  d.item = itemPixels() / d.sy;
  d.compact = layout.kind == LayoutKind::Compact;
  if (d.compact) {
    drawCompact(d, layout);
  } else {
    drawSpread(d, frame);
  }
}

}  // namespace kolvar::views
