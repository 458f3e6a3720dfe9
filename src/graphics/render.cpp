// Figures and axes as display lists, and the list kept of each figure. An axes is its own
// decoration (axes_decoration.cpp), then its faces and line segments far to near (its content as
// axes_content.cpp reads it), then markers and texts on top.
#include "graphics/render.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "graphics/axes_content.hpp"
#include "graphics/axes_decoration.hpp"
#include "graphics/geometry.hpp"
#include "graphics/graphics.hpp"
#include "graphics/hit_grid.hpp"
#include "graphics/lighting.hpp"
#include "graphics/model.hpp"
#include "graphics/property_values.hpp"
#include "graphics/text_extent.hpp"

namespace kolvar::graphics {

namespace {

// The content as drawing reads it (axes_content.hpp, render_cache.hpp).
using Scene = AxesContent;

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

Rect intersection(const Rect& a, const Rect& b) {
  const double x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  const double x1 = std::min(a.x + a.width, b.x + b.width), y1 = std::min(a.y + a.height, b.y + b.height);
  return {x0, y0, std::max(0.0, x1 - x0), std::max(0.0, y1 - y0)};
}

// ---------------------------------------------------------------------------------------------
// Faces and segments, far to near.

// The colours of the faces for one view. A face's pieces share its colour: it is worked out once
// per face, from the face's own normal, when its first piece is drawn. Under a local light the
// direction to the light differs from piece to piece, so each piece is shaded on its own.
class FaceShades {
 public:
  FaceShades(const Scene& s, const std::vector<DepthFace>& inputs, const Camera& cam)
      : scene_(s), inputs_(inputs), toViewer_(cam.toViewer), shade_(inputs.size()), known_(inputs.size(), false) {
    for (const SceneLight& l : s.lights) {
      lights_.push_back({l.position, l.color});
      anyLocal_ = anyLocal_ || l.local;
    }
  }

  Rgb of(const DepthTree& tree, int piece) {
    const int input = tree.source[piece];
    const FaceStyle& st = scene_.faceStyles[inputs_[input].id];
    if (!st.lit || lights_.empty()) return st.fill;
    if (anyLocal_) return local(st, tree.faces[piece], inputs_[input]);
    if (!known_[input]) {
      shade_[input] = litColor(st.fill, newellNormal(inputs_[input].points), toViewer_, lights_);
      known_[input] = true;
    }
    return shade_[input];
  }

 private:
  Rgb local(const FaceStyle& st, const DepthFace& piece, const DepthFace& face) {
    Vec3 centre;
    for (const Vec3& p : piece.points) centre = centre + p;
    centre = (1.0 / static_cast<double>(piece.points.size())) * centre;
    std::vector<Light> lights;
    for (const SceneLight& l : scene_.lights) lights.push_back({l.local ? l.position - centre : l.position, l.color});
    return litColor(st.fill, newellNormal(face.points), toViewer_, lights);
  }

  const Scene& scene_;
  const std::vector<DepthFace>& inputs_;
  Vec3 toViewer_;
  std::vector<Light> lights_;
  bool anyLocal_ = false;
  std::vector<Rgb> shade_;
  std::vector<bool> known_;
};

// The markers of line `h` as a primitive without points yet: their shape, size and colours.
Primitive markerLook(Handle h, Rgb axesColor) {
  Primitive m;
  m.kind = Primitive::Kind::Marker;
  m.source = h;
  Rgb color = colorOf(get(h, "Color")).value_or(Rgb{});
  m.annotation().marker = textProp(h, "Marker");
  m.annotation().markerSize = numberProp(h, "MarkerSize", 6);
  m.lineWidth = numberProp(h, "LineWidth", 0.5);
  // "auto" takes the line's colour for the edge and the axes' for the face; "none" leaves it out.
  const auto take = [&](const char* property, Rgb automatic, Rgb& colour, bool& used) {
    const Value v = get(h, property);
    const std::optional<Rgb> rgb = isText(v, "auto") ? automatic : colorOf(v);
    if (rgb) colour = *rgb;
    used = rgb.has_value();
  };
  take("MarkerEdgeColor", color, m.stroke, m.stroked);
  take("MarkerFaceColor", axesColor, m.annotation().markerFace, m.annotation().markerFilled);
  return m;
}

// How the markers of the lines of `s` look now.
MarkerLooks markerLooksOf(const Scene& s, Rgb axesColor) {
  MarkerLooks looks;
  for (const SegmentStyle& st : s.segmentStyles)
    if (st.marker && ishandle(st.source) && !looks.contains(st.source))
      looks.emplace(st.source, markerLook(st.source, axesColor));
  return looks;
}

// Whether `drawing` shows content `s` as it would be drawn now, seen by `cam` in an axes of
// colour `axesColor`.
bool drawsAsNow(const ContentDrawing& drawing, const Scene& s, const Camera& cam, Rgb axesColor) {
  if (!(drawing.camera == cam) || drawing.axesColor != axesColor) return false;
  return std::ranges::equal(drawing.looks, markerLooksOf(s, axesColor), [](const auto& a, const auto& b) {
    return a.first == b.first && a.second.looksLike(b.second);
  });
}

// An empty list, with the room of one kept in `spares` when there is one.
template <class T>
std::vector<T> reused(std::vector<std::vector<T>>& spares) {
  if (spares.empty()) return {};
  std::vector<T> v = std::move(spares.back());
  spares.pop_back();
  v.clear();
  return v;
}

// Draws `tree`, built from `faces` (the content's, or a sketch's of it), in the styles of `s`.
// `room` lends what a frame needs for a while. Markers look as their lines say now, or as
// `looks` says: a drawing made on a thread of its own reads no object.
void emitContent(const Scene& s, const std::vector<DepthFace>& faces, const DepthTree& tree, const Camera& cam,
                 Rgb axesColor, DrawingRoom& room, std::vector<Primitive>& out, const MarkerLooks* looks = nullptr) {
  std::size_t lastSegmentLine = static_cast<std::size_t>(-1);
  std::vector<DepthStep>& steps = room.steps;
  farToNear(tree, cam.toViewer, steps);
  out.reserve(out.size() + steps.size() + s.overlays.size());
  FaceShades shades(s, faces, cam);
  for (const DepthStep& step : steps) {
    if (step.face) {
      const DepthFace& f = tree.faces[step.index];
      const FaceStyle& st = s.faceStyles[f.id];
      out.emplace_back();
      Primitive& face = out.back();
      face.kind = Primitive::Kind::Face;
      face.source = st.source;
      face.part = f.part;
      face.fill = shades.of(tree, step.index);
      face.filled = true;
      face.points = reused(room.pointLists);
      for (const Vec3& p : f.points) face.points.push_back(viewToPixel(cam, boxToView(cam, p)));
      if (st.edge) {
        face.stroke = *st.edge;
        face.stroked = true;
        face.lineWidth = st.edgeWidth;
        face.lineStyle = st.edgeStyle;
        // A piece of a cut face is outlined along the original edges only, not along the cuts.
        if (std::find(f.edges.begin(), f.edges.end(), false) != f.edges.end()) {
          face.edges = reused(room.edgeLists);
          face.edges.assign(f.edges.begin(), f.edges.end());
        }
      }
      continue;
    }
    const DepthSegment& seg = tree.segments[step.index];
    const SegmentStyle& st = s.segmentStyles[seg.id];
    if (st.marker) {
      // A line gone since (a drawing shown until the next) shows none.
      const auto given = looks ? looks->find(st.source) : MarkerLooks::const_iterator();
      if (looks ? given == looks->end() : !ishandle(st.source)) continue;
      // A marker's point; the points of one line that follow each other share one primitive.
      const Point at = viewToPixel(cam, boxToView(cam, seg.a));
      if (!out.empty() && out.back().kind == Primitive::Kind::Marker && out.back().source == st.source) {
        out.back().points.push_back(at);
      } else {
        out.push_back(looks ? given->second : markerLook(st.source, axesColor));
        out.back().points.push_back(at);
      }
      continue;
    }
    Point a = viewToPixel(cam, boxToView(cam, seg.a));
    Point b = viewToPixel(cam, boxToView(cam, seg.b));
    // Consecutive pieces of one line that meet continue one polyline, so dashes run on.
    if (lastSegmentLine + 1 == out.size()) {
      Primitive& prev = out.back();
      if (prev.source == st.source && prev.stroke == st.color && prev.lineWidth == st.width &&
          prev.lineStyle == st.style && distance(prev.points.back(), a) < 1e-9) {
        prev.points.push_back(b);
        continue;
      }
    }
    out.emplace_back();
    Primitive& drawn = out.back();
    drawn.kind = Primitive::Kind::Line;
    drawn.source = st.source;
    drawn.points = {a, b};
    drawn.stroke = st.color;
    drawn.stroked = true;
    drawn.lineWidth = st.width;
    drawn.lineStyle = st.style;
    lastSegmentLine = out.size() - 1;
  }
}

// ---------------------------------------------------------------------------------------------
// Markers and texts.

void emitMarkers(Handle h, const Camera& cam, Rgb axesColor, std::vector<Primitive>& out) {
  Value xs = get(h, "XData"), ys = get(h, "YData"), zs = get(h, "ZData");
  std::size_t n = std::min(xs.numel(), ys.numel());
  if (zs.numel() > 0) n = std::min(n, zs.numel());
  bool clip = isOn(h, "Clipping");
  Primitive m = markerLook(h, axesColor);
  for (std::size_t i = 0; i < n; ++i) {
    Vec3 p{elementOf(xs, i), elementOf(ys, i), elementOf(zs, i, 0.0)};
    if (!finitePoint(p) || (clip && !insideBox(dataToBox(cam, p)))) continue;
    m.points.push_back(dataToPixel(cam, p));
  }
  if (m.points.empty()) return;
  out.push_back(std::move(m));
}

void emitText(Handle t, const Camera& cam, std::vector<Primitive>& out) {
  Vec3 pos = textPosition(t);
  if (!finitePoint(pos) || (isOn(t, "Clipping") && !insideBox(dataToBox(cam, pos)))) return;
  Primitive p = textPrimitive(t, textLines(get(t, "String")), dataToPixel(cam, pos), textStyleOf(t),
                              colorOf(get(t, "Color")).value_or(Rgb{}));
  p.lineWidth = numberProp(t, "LineWidth", 0.5);
  Annotation& a = p.annotation();
  if (auto bg = colorOf(get(t, "BackgroundColor"))) {
    a.background = *bg;
    a.hasBackground = true;
  }
  if (auto edge = colorOf(get(t, "EdgeColor"))) {
    a.edge = *edge;
    a.hasEdge = true;
  }
  out.push_back(std::move(p));
}

// Moves text `t` down, clear of every box in `placed` it would overlap, then adds its box there.
// A few rounds at most: a text pushed below one box may meet another. A text pushed below the
// bottom of `room` (the axes' rectangle) has no room: it is not placed, and false says so; many
// labels crowded together would otherwise pile up below the view, over what lies there.
bool giveWay(Primitive& t, std::vector<Rect>& placed, const Rect& room) {
  bool moved = false;
  for (std::size_t round = 0; round <= placed.size(); ++round) {
    const auto hit = std::find_if(placed.begin(), placed.end(), [&](const Rect& r) { return r.overlaps(t.box); });
    if (hit == placed.end()) break;
    const double down = hit->y + hit->height - t.box.y + 1;
    t.box.y += down;
    t.annotation().baseline.y += down;
    moved = true;
  }
  if (moved && t.box.y + t.box.height > room.y + room.height) return false;
  placed.push_back(t.box);
  return true;
}

// ---------------------------------------------------------------------------------------------
// One axes, one figure.

bool sameLimits(const Limits& a, const Limits& b) { return a.lo == b.lo && a.hi == b.hi; }

// Where the primitives reach together, in pixels.
Rect extentOf(const std::vector<Primitive>& items) {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool any = false;
  for (const Primitive& item : items) {
    const Rect r = reachOf(item);
    if (!(r.width > 0 && r.height > 0)) continue;  // empty, or not a number
    x0 = any ? std::min(x0, r.x) : r.x;
    y0 = any ? std::min(y0, r.y) : r.y;
    x1 = any ? std::max(x1, r.x + r.width) : r.x + r.width;
    y1 = any ? std::max(y1, r.y + r.height) : r.y + r.height;
    any = true;
  }
  return {x0, y0, x1 - x0, y1 - y0};
}

// A build aside of `content` that will draw it as `cam` sees it in an axes of colour `axesColor`
// after `decoration` (its thread not started yet).
std::unique_ptr<AsideBuild> asideBuildOf(std::shared_ptr<const AxesContent> content, const Camera& cam, Rgb axesColor,
                                         const std::vector<Primitive>& decoration) {
  auto build = std::make_unique<AsideBuild>();
  build->content = std::move(content);
  build->drawing.camera = cam;
  build->drawing.axesColor = axesColor;
  build->drawing.looks = markerLooksOf(*build->content, axesColor);
  build->drawing.items = decoration;
  build->drawing.prefix = decoration.size();
  return build;
}

// The thread's work once the tree is there: the content drawn whole with it.
void drawBuilt(AsideBuild& b) {
  DrawingRoom room;
  emitContent(*b.content, b.content->faces, b.tree, b.drawing.camera, b.drawing.axesColor, room, b.drawing.items,
              &b.drawing.looks);
}

// Starts building the depth order of `content` on a thread of its own, and drawing the content
// with it as `cam` sees it in an axes of colour `axesColor`; the thread also frees the tree it
// replaces (a large one takes a while).
std::unique_ptr<AsideBuild> buildAside(std::shared_ptr<const AxesContent> content, double tolerance,
                                       DepthTree replaced, const Camera& cam, Rgb axesColor,
                                       const std::vector<Primitive>& decoration) {
  auto build = asideBuildOf(std::move(content), cam, axesColor, decoration);
  build->thread = std::jthread([b = build.get(), tolerance, old = std::move(replaced)](std::stop_token stop) mutable {
    old = {};
    try {
      b->tree = buildDepthTree(b->content->faces, b->content->segments, tolerance, stop);
      if (!stop.stop_requested()) drawBuilt(*b);
    } catch (...) {
      b->failure = std::current_exception();
    }
    b->done.store(true);
  });
  return build;
}

// Starts drawing `content` whole with its depth order `tree` on a thread of its own, as `cam` sees
// it in an axes of colour `axesColor`; the tree comes back with the drawing.
std::unique_ptr<AsideBuild> drawAsideWith(std::shared_ptr<const AxesContent> content, DepthTree tree, const Camera& cam,
                                          Rgb axesColor, const std::vector<Primitive>& decoration) {
  auto build = asideBuildOf(std::move(content), cam, axesColor, decoration);
  build->tree = std::move(tree);
  build->drawOnly = true;
  build->thread = std::jthread([b = build.get()](std::stop_token stop) {
    try {
      if (!stop.stop_requested()) drawBuilt(*b);
    } catch (...) {
      b->failure = std::current_exception();
    }
    b->done.store(true);
  });
  return build;
}

// Frees `last`, `build` and a large `content` on a thread of their own (see
// RenderCache::disposal), once the one before has ended. A build still running is asked to stop
// there.
void dispose(RenderCache& cache, std::unique_ptr<RenderCache::Entry::Whole> last, std::unique_ptr<AsideBuild> build,
             std::shared_ptr<const AxesContent> content = nullptr) {
  if (content && content->faces.size() + content->segments.size() <= kAsideFaces) content.reset();  // soon freed
  if (!last && !build && !content) return;
  cache.disposal = std::jthread([last = std::move(last), build = std::move(build), content = std::move(content)]() mutable {
    build.reset();
    last.reset();
    content.reset();
  });
}

bool alike(const Primitive& a, const Primitive& b) { return a.looksLike(b); }

// The axes' depth order, taken to be built on or drawn with aside: the entry keeps an empty one
// of the same tolerance, of no whole drawing yet.
DepthTree takeTree(RenderCache::Entry& entry) {
  DepthTree tree = std::move(entry.tree);
  entry.tree = {};
  entry.tree.tolerance = tree.tolerance;
  entry.generation = 0;
  return tree;
}

// A depth order built aside that is ready takes the place of what stood in for it (a list that
// starts a build always shows the stand-in first, however fast the build). A build for a content
// since replaced stands in itself, while the newest is built. `decoration`: the axes' as drawn now.
void takeFinishedBuild(RenderCache::Entry& entry, RenderCache& cache, const Camera& cam, Rgb axesColor,
                       const std::vector<Primitive>& decoration) {
  if (!entry.aside || !entry.aside->done.load()) return;
  AsideBuild& b = *entry.aside;
  if (const std::exception_ptr failure = b.failure) {
    entry.aside.reset();
    entry.built = false;  // the next list tries again
    std::rethrow_exception(failure);
  }
  if (!b.stale) {
    entry.tree = std::move(b.tree);
    entry.generation = ++entry.wholes;
    entry.drawnAside = std::make_unique<ContentDrawing>(std::move(b.drawing));
    dispose(cache, std::move(entry.last), std::move(entry.aside));
    return;
  }
  auto standIn = std::make_unique<RenderCache::Entry::Whole>(
      RenderCache::Entry::Whole{std::move(b.content), std::move(b.tree), ++entry.wholes});
  std::unique_ptr<AsideBuild> finished = std::move(entry.aside);
  entry.aside = buildAside(entry.content, entry.tree.tolerance, {}, cam, axesColor, decoration);
  dispose(cache, std::exchange(entry.last, std::move(standIn)), std::move(finished));
  ++cache.builds;
}

// Up to this many faces, new lines alone are filed into the kept depth order (see readContent).
constexpr std::size_t kLinesFiledHere = 20000;

// Reads the axes' content again when its children or limits changed since, and, when its faces
// or segments did, has its depth order built: at once, or aside for a large one (with `aside`),
// what the axes showed whole standing in meanwhile when its limits stayed; when only its
// segments did, of a content that is not too large, has them filed into the order it has.
void readContent(Handle ax, RenderCache::Entry& entry, RenderCache& cache, const Camera& cam, Rgb axesColor,
                 bool aside, const std::vector<Primitive>& decoration) {
  // The content in box space depends on the children and the limits only: while the view turns
  // it is read once, not at every frame.
  const std::uint64_t contentRevision = detail::object(ax).contentRevision;
  if (entry.built && entry.contentRevision == contentRevision && sameLimits(entry.limits, cam.limits)) return;
  auto read = std::make_shared<const Scene>(readAxesContent(childrenOf(ax), cam));
  const Scene& scene = *read;
  const double tolerance = depthTolerance(scene.magnitude);
  // Only the lines changed (an outline moved to another face): the faces' tree holds, the lines
  // are filed into it anew, here and now. (Of a content so large that drawing it takes a while,
  // the order is built and drawn aside as for any change, what it showed standing in.)
  const bool linesOnly = entry.built && !entry.aside && entry.tree.root >= 0 && sameLimits(entry.limits, cam.limits) &&
                         entry.tree.tolerance == tolerance && scene.faces.size() <= kLinesFiledHere &&
                         entry.content->segments != scene.segments && entry.content->faces == scene.faces;
  if (linesOnly) {
    dispose(cache, std::move(entry.last), nullptr);
    entry.drawnAside.reset();
    refileSegments(entry.tree, scene.segments);
    entry.generation = ++entry.wholes;
  } else if (!entry.built || entry.content->faces != scene.faces || entry.content->segments != scene.segments ||
             entry.tree.tolerance != tolerance) {
    const bool sameScene = entry.built && sameLimits(entry.limits, cam.limits);
    entry.drawnAside.reset();
    if (aside && scene.faces.size() > (cache.asideAbove ? cache.asideAbove : kAsideFaces)) {
      // What the axes showed whole stays on screen meanwhile, in the same limits; a drawing in
      // other limits (another scene) is no guide to this one: a sketch stands in instead.
      if (!sameScene) dispose(cache, std::move(entry.last), std::move(entry.aside));
      if (entry.aside) {
        entry.aside->stale = true;  // it goes on, and a build of this content follows it
        takeTree(entry);
      } else if (sameScene) {
        const std::uint64_t shown = entry.generation;
        entry.last = std::make_unique<RenderCache::Entry::Whole>(
            RenderCache::Entry::Whole{std::move(entry.content), takeTree(entry), shown});
        entry.aside = buildAside(read, tolerance, {}, cam, axesColor, decoration);
        ++cache.builds;
      } else {
        entry.aside = buildAside(read, tolerance, takeTree(entry), cam, axesColor, decoration);
        ++cache.builds;
      }
      entry.tree.tolerance = tolerance;
    } else {
      dispose(cache, std::move(entry.last), std::move(entry.aside));
      entry.tree = buildDepthTree(scene.faces, scene.segments, tolerance);
      entry.generation = ++entry.wholes;
      ++cache.builds;
    }
  }
  dispose(cache, nullptr, nullptr, std::exchange(entry.content, std::move(read)));
  entry.sketchBuilt = false;
  entry.sketchFaces.clear();
  entry.sketchTree = {};
  entry.contentRevision = contentRevision;
  entry.limits = cam.limits;
  entry.built = true;
}

// Draws the content whole into `out` (which holds the axes' decoration): as the thread that
// built or drew it aside drew it, unless the view turned meanwhile, else here and now.
void drawWhole(RenderCache::Entry& entry, RenderCache& cache, const Camera& cam, Rgb axesColor,
               std::vector<Primitive>& out) {
  const Scene& scene = *entry.content;
  std::unique_ptr<ContentDrawing> drawn = std::move(entry.drawnAside);
  if (!drawn || !drawsAsNow(*drawn, scene, cam, axesColor)) {
    emitContent(scene, scene.faces, entry.tree, cam, axesColor, cache.room, out);
    return;
  }
  const auto content = drawn->items.begin() + static_cast<std::ptrdiff_t>(drawn->prefix);
  if (drawn->prefix == out.size() && std::equal(out.begin(), out.end(), drawn->items.begin(), content, alike)) {
    out.swap(drawn->items);  // drawn after the decoration the axes has now: the run as it is
  } else {
    out.insert(out.end(), std::make_move_iterator(content), std::make_move_iterator(drawn->items.end()));
  }
}

// How a drawing of content `before` becomes one of content `now`, which has the same faces and
// lines, read from objects made anew in the same order (a view drawn again as it was): the
// objects the primitives came from, by the objects they come from now; and the new looks of the
// unlit faces whose colours alone changed (a highlighted sheet). Nothing when more changed:
// lights, lit colours, outlines that come or go, lines' looks, markers (which take their looks
// from their objects).
struct Restyling {
  std::unordered_map<Handle, Handle> to;
  std::unordered_map<Handle, const FaceStyle*> recoloured;  // by the object now
};
std::optional<Restyling> restyling(const AxesContent& before, const AxesContent& now) {
  const auto sameSegment = [](const SegmentStyle& a, const SegmentStyle& b) {
    return !a.marker && !b.marker && a.color == b.color && a.width == b.width && a.style == b.style;
  };
  if (before.faceStyles.size() != now.faceStyles.size() ||
      !std::ranges::equal(before.segmentStyles, now.segmentStyles, sameSegment) ||
      before.lights != now.lights)
    return std::nullopt;
  Restyling r;
  r.to.reserve(before.faceStyles.size() + before.segmentStyles.size());
  const auto pair = [&](Handle from, Handle into) { return r.to.emplace(from, into).first->second == into; };
  for (std::size_t i = 0; i < now.faceStyles.size(); ++i) {
    const FaceStyle &a = before.faceStyles[i], &b = now.faceStyles[i];
    if (!pair(a.source, b.source)) return std::nullopt;
    if (a.fill == b.fill && a.lit == b.lit && a.edge == b.edge && a.edgeWidth == b.edgeWidth && a.edgeStyle == b.edgeStyle)
      continue;
    if (a.lit || b.lit || a.edge.has_value() != b.edge.has_value()) return std::nullopt;
    r.recoloured.emplace(b.source, &b);
  }
  for (std::size_t i = 0; i < now.segmentStyles.size(); ++i)
    if (!pair(before.segmentStyles[i].source, now.segmentStyles[i].source)) return std::nullopt;
  return r;
}

// The content's whole drawing in the axes' last run, taken into `out` as content `now` would be
// drawn, when it still shows that: the same depth order, camera and axes colour, and looks that
// `restyling` can carry over (a large view whose objects were all made again, only a highlight
// changing, is not drawn again). `recoloured` says whether some of it now looks otherwise.
bool takeShownAgain(RenderCache::Entry& entry, std::vector<Primitive>& before, const AxesContent& now, const Camera& cam,
                    Rgb axesColor, std::vector<Primitive>& out, bool& recoloured) {
  if (!entry.shownContent || entry.shownGeneration == 0 || entry.shownGeneration != entry.generation ||
      !(entry.shownCamera == cam) || entry.shownColor != axesColor || entry.contentFirst + entry.contentCount > before.size())
    return false;
  const std::optional<Restyling> r = restyling(*entry.shownContent, now);
  if (!r) return false;
  recoloured = !r->recoloured.empty();
  const auto from = before.begin() + static_cast<std::ptrdiff_t>(entry.contentFirst);
  for (auto it = from; it != from + static_cast<std::ptrdiff_t>(entry.contentCount); ++it) {
    out.push_back(std::move(*it));
    Primitive& item = out.back();
    if (const auto found = r->to.find(item.source); found != r->to.end()) item.source = found->second;
    if (item.kind != Primitive::Kind::Face || r->recoloured.empty()) continue;
    if (const auto style = r->recoloured.find(item.source); style != r->recoloured.end()) {
      const FaceStyle& st = *style->second;
      item.fill = st.fill;  // unlit: its colour as given
      if (st.edge) {
        item.stroke = *st.edge;
        item.lineWidth = st.edgeWidth;
        item.lineStyle = st.edgeStyle;
      }
    }
  }
  return true;
}

// The primitives of the axes, its run in the figure's list. With `previous`, the figure's last
// list made with this cache: an axes in which nothing changed since is not drawn again, its run is
// taken over from there whole. `drawnAnew` says whether the axes was drawn anew and looks
// different; `changed` then gets where it reached before and where it reaches now.
std::vector<Primitive> renderAxesRun(Handle ax, RenderCache& cache, PrimitiveRuns* previous, bool& drawnAnew,
                                     std::vector<Rect>* changed = nullptr, bool turning = false, bool aside = false) {
  drawnAnew = false;
  RenderCache::Entry& entry = cache.axes[ax];
  const std::uint64_t revision = drawingRevision(ax);
  // Where the axes lay in the last list.
  const bool hadLast = previous && entry.drawn && entry.run < previous->runCount() &&
                       previous->run(entry.run).size() == entry.count;
  if (hadLast && entry.drawnRevision == revision) return previous->takeRun(entry.run);
  const Rect lastExtent = entry.extent;
  entry.drawn = false;

  Camera cam = axesCamera(ax);
  const Rgb axesColor = colorOf(get(ax, "Color")).value_or(Rgb{1, 1, 1});
  std::vector<Primitive> out = std::move(entry.spare);
  out.clear();
  if (isOn(ax, "Visible")) {
    const std::uint64_t own = detail::ownRevision(*detail::findObject(ax));
    if (!entry.decorated || entry.decorationRevision != own || !sameLimits(entry.decorationLimits, cam.limits)) {
      entry.decoration.clear();
      drawAxesDecoration(ax, cam, entry.decoration);
      entry.decorated = true;
      entry.decorationRevision = own;
      entry.decorationLimits = cam.limits;
    }
    out.insert(out.end(), entry.decoration.begin(), entry.decoration.end());
  }

  takeFinishedBuild(entry, cache, cam, axesColor, out);
  readContent(ax, entry, cache, cam, axesColor, aside, out);
  const Scene& scene = *entry.content;
  // While the mouse turns a view of many pieces, a sketch of it follows the mouse: every k-th
  // face, about kSketchFaces of them, with a depth order of their own, made once per content.
  // The whole scene comes back when the mouse lets go (finishSketches), drawn beside the window
  // while the sketch stays. While the depth order of the whole is built aside, a smaller sketch
  // stands in for it.
  const std::size_t sketchAbove = cache.sketchAbove ? cache.sketchAbove : kSketchPieces;
  entry.sketched = turning && entry.tree.faces.size() > sketchAbove;
  if (aside && !turning && !entry.aside && entry.shownGeneration == 0 && entry.tree.faces.size() > sketchAbove &&
      !(entry.drawnAside && drawsAsNow(*entry.drawnAside, scene, cam, axesColor))) {
    entry.drawnAside.reset();
    entry.aside = drawAsideWith(entry.content, takeTree(entry), cam, axesColor, out);
  }
  const std::size_t contentFirst = out.size();
  std::uint64_t shows = 0;  // which whole drawing the run shows; 0: a sketch
  bool shownAgain = false;
  bool recoloured = false;  // shown again in new colours
  if (entry.aside && entry.last && !turning) {
    shows = entry.last->generation;
    // The stand-in is what the axes showed last, seen alike: taken from there, not drawn again
    // (a large scene's hundred thousand faces take a while).
    shownAgain = hadLast && shows != 0 && entry.shownGeneration == shows && entry.shownCamera == cam &&
                 entry.shownColor == axesColor;
    if (shownAgain) {
      std::vector<Primitive>& before = previous->run(entry.run);
      const auto from = before.begin() + static_cast<std::ptrdiff_t>(entry.contentFirst);
      out.insert(out.end(), std::make_move_iterator(from),
                 std::make_move_iterator(from + static_cast<std::ptrdiff_t>(entry.contentCount)));
    } else {
      emitContent(*entry.last->content, entry.last->content->faces, entry.last->tree, cam, axesColor, cache.room, out);
    }
  } else if (entry.sketched || entry.aside) {
    const std::size_t size = entry.aside && !entry.aside->drawOnly
                                 ? (cache.asideSketchFaces ? cache.asideSketchFaces : kAsideSketchFaces)
                                 : (cache.sketchFaces ? cache.sketchFaces : kSketchFaces);
    if (!entry.sketchBuilt || entry.sketchSize != size) {
      const std::size_t every = (scene.faces.size() + size - 1) / size;
      entry.sketchFaces.clear();
      for (std::size_t i = 0; i < scene.faces.size(); i += every) entry.sketchFaces.push_back(scene.faces[i]);
      entry.sketchTree = buildDepthTree(entry.sketchFaces, scene.segments, entry.tree.tolerance);
      entry.sketchBuilt = true;
      entry.sketchSize = size;
    }
    emitContent(scene, entry.sketchFaces, entry.sketchTree, cam, axesColor, cache.room, out);
  } else {
    shows = entry.generation;
    shownAgain = hadLast && takeShownAgain(entry, previous->run(entry.run), scene, cam, axesColor, out, recoloured);
    if (!shownAgain) drawWhole(entry, cache, cam, axesColor, out);
  }
  const std::size_t contentEnd = out.size(), lastContentFirst = entry.contentFirst;
  entry.shownGeneration = shows;
  entry.contentFirst = contentFirst;
  entry.contentCount = contentEnd - contentFirst;
  entry.shownCamera = cam;
  entry.shownColor = axesColor;
  const std::shared_ptr<const AxesContent> drawnContent = shows == 0 ? nullptr : entry.aside && entry.last ? entry.last->content : entry.content;
  if (entry.shownContent != drawnContent) dispose(cache, nullptr, nullptr, std::exchange(entry.shownContent, drawnContent));

  std::vector<Rect> givingWay;  // the boxes of the texts with "Nudge" on drawn so far
  for (Handle h : scene.overlays) {
    if (typeOf(h) == "text") {
      const std::size_t at = out.size();
      emitText(h, cam, out);
      if (out.size() > at && isOn(h, "Nudge") && !giveWay(out.back(), givingWay, cam.plot)) out.pop_back();
    } else {
      emitMarkers(h, cam, axesColor, out);
    }
  }
  // A magnified axes keeps to its rectangle. One that clips its content keeps what it holds
  // there: the texts too, which "Clipping" passes or drops by their anchor alone, so that a
  // caption or a list item half out of a panned view does not lie over what stands beside it.
  const bool magnified = numberOf(get(ax, "Zoom"), 1.0) > 1;
  if (magnified || isOn(ax, "ClipContent"))
    for (auto item = out.begin() + static_cast<std::ptrdiff_t>(magnified ? 0 : contentFirst); item != out.end(); ++item) {
      item->clip = item->clipped ? intersection(item->clip, cam.plot) : cam.plot;
      item->clipped = true;
    }
  entry.drawn = true;
  entry.count = out.size();
  entry.drawnRevision = revision;
  // An axes whose objects were made again just as they were (a program draws a whole view again
  // after any change) looks as it did: the window need not paint it again.
  const std::vector<Primitive>* before = hadLast ? &previous->run(entry.run) : nullptr;
  // A drawing shown again looks as it did (its items in the last run were moved out): only what
  // lies around it is compared.
  const bool same =
      before && !recoloured &&
      (shownAgain ? before->size() == out.size() && lastContentFirst == contentFirst &&
                                  std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(contentFirst),
                                             before->begin(), alike) &&
                                  std::equal(out.begin() + static_cast<std::ptrdiff_t>(contentEnd), out.end(),
                                             before->begin() + static_cast<std::ptrdiff_t>(contentEnd), alike)
                            : std::ranges::equal(out, *before, alike));
  // The run the axes had in the last list is room for its next one; the point and edge lists
  // of its primitives serve the primitives drawn next.
  if (hadLast) {
    entry.spare = previous->takeRun(entry.run);
    for (Primitive& p : entry.spare) {
      if (p.points.capacity() > 0) cache.room.pointLists.push_back(std::move(p.points));
      if (p.edges.capacity() > 0) cache.room.edgeLists.push_back(std::move(p.edges));
    }
    entry.spare.clear();
    if (entry.spare.capacity() > 4 * out.size() + 4096) entry.spare = {};  // a large scene gave way
  }
  entry.extent = lastExtent;
  if (same) return out;
  drawnAnew = true;
  // Where the primitives reach, measured even for a large scene's thousands of faces: a window
  // repainting the view beside it (a click changes the tree and the partition) then passes over
  // them whole instead of asking each whether it reaches the part repainted.
  entry.extent = extentOf(out);
  if (changed) {
    if (hadLast) changed->push_back(lastExtent);
    changed->push_back(entry.extent);
  }
  return out;
}

DisplayList emptyList(Handle fig) {
  DisplayList list;
  Rect r = figurePixelRect(fig);
  list.width = r.width;
  list.height = r.height;
  list.background = colorOf(get(fig, "Color")).value_or(list.background);
  return list;
}

// The figure drawn with `cache`; with `previous` (its last list made with that cache), the axes
// in which nothing changed are taken over from there. `redrawn` gets the axes drawn anew.
DisplayList renderFigureReusing(Handle fig, RenderCache& cache, PrimitiveRuns* previous, std::vector<Handle>* redrawn,
                                std::vector<Rect>* changed = nullptr, bool turning = false, bool aside = false) {
  DisplayList list = emptyList(fig);
  std::vector<Handle> axes;
  for (Handle c : childrenOf(fig))
    if (typeOf(c) == "axes") axes.push_back(c);
  // Forget the trees of axes that are gone.
  std::erase_if(cache.axes, [](const auto& entry) { return !ishandle(entry.first) || typeOf(entry.first) != "axes"; });
  try {
    for (Handle ax : axes) {
      bool drawnAnew = false;
      std::vector<Primitive> run = renderAxesRun(ax, cache, previous, drawnAnew, changed, turning, aside);
      if (drawnAnew && redrawn) redrawn->push_back(ax);
      RenderCache::Entry& entry = cache.axes[ax];
      entry.run = list.items.runCount();
      entry.first = list.items.size();
      list.items.addRun(std::move(run));
      // Items drawn again alike lie where they lay: their grid holds.
      if (drawnAnew || !entry.hits) entry.hits = std::make_shared<HitGrid>();
      list.spans.push_back({ax, entry.first, entry.count, entry.extent, entry.hits});
    }
  } catch (...) {
    for (auto& [h, entry] : cache.axes) entry.drawn = false;  // what they point into is gone
    throw;
  }
  if (!previous)  // the list is the caller's: the next one cannot take runs from it
    for (auto& [h, entry] : cache.axes) entry.drawn = false;
  return list;
}

}  // namespace

DisplayList renderAxes(Handle ax, RenderCache& cache) {
  std::optional<Handle> fig = ancestor(ax, "figure");
  DisplayList list = fig ? emptyList(*fig) : DisplayList{};
  bool drawnAnew = false;
  list.items.addRun(renderAxesRun(ax, cache, nullptr, drawnAnew));
  cache.axes[ax].drawn = false;
  return list;
}

DisplayList renderFigure(Handle fig, RenderCache& cache) { return renderFigureReusing(fig, cache, nullptr, nullptr); }

DisplayList renderFigure(Handle fig) {
  RenderCache cache;
  return renderFigure(fig, cache);
}

DisplayList renderAxes(Handle ax) {
  RenderCache cache;
  return renderAxes(ax, cache);
}

// ---------------------------------------------------------------------------------------------
// The kept list.

const DisplayList& figureDisplayList(Handle fig) {
  if (typeOf(fig) != "figure")
    throw Error("figureDisplayList: the handle does not name a figure.", ErrorKind::Property);
  FigureDrawing& d = detail::session().drawings[fig];
  if (!d.current) {
    // The axes in which nothing changed keep their primitives: their runs are taken over from
    // the last list, which is then dropped. A failure leaves the figure out of date.
    const detail::Object& f = detail::object(fig);
    const bool figureChanged = !d.list.items.empty() && f.revision != d.figureRevision;
    PrimitiveRuns previous = std::move(d.list.items);
    d.redrawn.clear();
    d.changed.clear();
    d.list = renderFigureReusing(fig, d.cache, &previous, &d.redrawn, &d.changed, rotationDragActive(fig),
                                 detail::session().drawAside);
    // The room of point and edge lists kept for the next list: as many as this one has. After a
    // large scene gave way to a small one, the room it needed goes.
    const std::size_t keep = d.list.items.size();
    DrawingRoom& room = d.cache.room;
    if (room.pointLists.size() > keep) room.pointLists.resize(keep);
    if (room.edgeLists.size() > keep) room.edgeLists.resize(keep);
    if (room.steps.capacity() > 4 * keep + 4096) room.steps = {};
    d.redrawnAll = figureChanged || d.builds == 0;
    d.figureRevision = f.revision;
    d.current = true;
    ++d.builds;
  }
  return d.list;
}

std::optional<std::vector<Handle>> redrawnAxes(Handle fig) {
  const detail::Session& s = detail::session();
  auto it = s.drawings.find(fig);
  if (it == s.drawings.end() || it->second.redrawnAll) return std::nullopt;
  return it->second.redrawn;
}

Rect axesReach(Handle ax) {
  constexpr double kLabels = 48;  // tick labels and axis names hang this far outside an axes
  const Rect r = objectPixelRect(ax);
  return {r.x - kLabels, r.y - kLabels, r.width + 2 * kLabels, r.height + 2 * kLabels};
}

std::vector<Handle> sketchedAxes(Handle fig) {
  figureDisplayList(fig);
  std::vector<Handle> out;
  for (const auto& [ax, entry] : detail::session().drawings[fig].cache.axes)
    if (entry.sketched) out.push_back(ax);
  return out;
}

void finishSketches(Handle fig) {
  auto it = detail::session().drawings.find(fig);
  if (it == detail::session().drawings.end()) return;
  for (auto& [ax, entry] : it->second.cache.axes) {
    if (!entry.sketched) continue;
    entry.sketched = false;
    // The view is shown anew, whole: the same news a turn of it gives.
    if (const detail::Object* o = detail::findObject(ax)) detail::notifyChanged(*o, "View");
  }
}

void drawAside(bool on) { detail::session().drawAside = on; }

bool drawingPending(Handle fig) {
  auto it = detail::session().drawings.find(fig);
  if (it == detail::session().drawings.end()) return false;
  const auto& axes = it->second.cache.axes;
  return std::any_of(axes.begin(), axes.end(), [](const auto& entry) { return entry.second.aside != nullptr; });
}

namespace {
// Has each axes of the figure whose aside build is done (after waiting for each, with `wait`)
// drawn again at the next list, and tells the window. Nothing in the model changed: the axes
// keeps its revisions (so that the program's own record of what it drew stays true).
bool finishAside(Handle fig, bool wait) {
  detail::Session& s = detail::session();
  auto it = s.drawings.find(fig);
  if (it == s.drawings.end()) return false;
  FigureDrawing& d = it->second;
  bool running = false;
  for (auto& [ax, entry] : d.cache.axes) {
    if (!entry.aside) continue;
    if (wait && entry.aside->stale) {
      // Built for a content since replaced: the newest is built here and now instead.
      entry.aside.reset();
      entry.last.reset();
      entry.drawnAside.reset();
      entry.tree = buildDepthTree(entry.content->faces, entry.content->segments, entry.tree.tolerance);
      entry.generation = ++entry.wholes;
    } else if (wait && entry.aside->thread.joinable()) {
      entry.aside->thread.join();
    }
    if (entry.aside && !entry.aside->done.load()) {
      running = true;
      continue;
    }
    entry.drawn = false;  // drawn anew, not moved over from the last list
    d.current = false;
    if (s.quiet == 0 && detail::findObject(ax)) s.backend->changed(ax, "View");
  }
  return running;
}
}  // namespace

bool finishAsideDrawings(Handle fig) { return finishAside(fig, false); }

void awaitDrawings(Handle fig) { finishAside(fig, true); }

std::optional<std::vector<Rect>> changedAreas(Handle fig) {
  const detail::Session& s = detail::session();
  auto it = s.drawings.find(fig);
  if (it == s.drawings.end() || it->second.redrawnAll) return std::nullopt;
  return it->second.changed;
}

DrawingCounts drawingCounts(Handle fig) {
  const detail::Session& s = detail::session();
  auto it = s.drawings.find(fig);
  if (it == s.drawings.end()) return {};
  return {it->second.builds, it->second.cache.builds};
}

bool propertyShows(std::string_view property) {
  // What the runtime keeps for itself, what only programs read, the callbacks, and "HitTest",
  // which hit tests read from the object each time rather than from the list.
  static constexpr std::array<std::string_view, 29> kUnseen{
      "CurrentPoint", "CurrentObject", "CurrentAxes", "SelectionType", "UserData", "Tag", "ButtonDownFcn",
      "CreateFcn", "DeleteFcn", "Callback", "BusyAction", "Interruptible", "HandleVisibility", "HitTest",
      "WindowButtonDownFcn", "WindowButtonUpFcn", "WindowButtonMotionFcn", "KeyPressFcn", "ResizeFcn",
      "CloseRequestFcn", "FileName", "PaperPositionMode", "NextPlot", "WindowScrollWheelFcn",
      "CurrentModifier", "TooltipString", "FileDropFcn", "TimerFcn", "TimerPeriod"};
  return std::find(kUnseen.begin(), kUnseen.end(), property) == kUnseen.end();
}

}  // namespace kolvar::graphics
