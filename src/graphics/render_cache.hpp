#pragma once
// What drawing keeps of a figure from one frame to the next. The session holds one per figure
// (model.hpp); render.cpp makes and reads it; the model's change notifications mark it out of
// date. Nothing else touches it.
#include <atomic>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "graphics/camera.hpp"
#include "graphics/depth_order.hpp"
#include "graphics/display_list.hpp"

namespace kolvar::graphics {

// The content of an axes in box space, as its children give it: faces and line segments with
// their styles, lights, and the objects drawn on top (lines with markers, texts). It depends on
// the children and the axes' limits only, not on the view.
struct FaceStyle {
  Handle source = 0;
  Rgb fill;
  bool lit = true;
  std::optional<Rgb> edge;
  double edgeWidth = 0.5;
  std::string edgeStyle = "-";
};

struct SegmentStyle {
  Handle source = 0;
  Rgb color;
  double width = 0.5;
  std::string style = "-";
  // The segments of this style are the points of a line's markers (each a segment of no length):
  // in a view with faces they take their place in the depth order, so a face in front hides them.
  bool marker = false;
  friend bool operator==(const SegmentStyle&, const SegmentStyle&) = default;
};

struct SceneLight {
  Vec3 position;  // box space: a direction for an infinite light, a place for a local one
  bool local = false;
  Rgb color{1, 1, 1};
  friend bool operator==(const SceneLight&, const SceneLight&) = default;
};

struct AxesContent {
  std::vector<DepthFace> faces;  // id: index into faceStyles
  std::vector<FaceStyle> faceStyles;
  std::vector<DepthSegment> segments;  // id: index into segmentStyles
  std::vector<SegmentStyle> segmentStyles;
  std::vector<SceneLight> lights;
  std::vector<Handle> overlays;  // lines with markers and texts, in creation order
  // How far from the origin the box's centre lies in data, in box units: the data's magnitude in
  // box units is this plus that of a point in box space (see depthTolerance).
  double offset = 0;
  double magnitude = 0;  // the largest of the faces and segments, offset included
};

// Room a drawing borrows for a while, kept from one frame to the next so that turning a large
// scene allocates next to nothing: the far-to-near steps, and point and edge lists of primitives
// no longer shown.
struct DrawingRoom {
  std::vector<DepthStep> steps;
  std::vector<std::vector<Point>> pointLists;
  std::vector<std::vector<bool>> edgeLists;
};

// How the markers of each line of a content look (shape, size, colours; no points), by line.
using MarkerLooks = std::map<Handle, Primitive>;

// A content drawn whole as one camera saw it, in an axes of one colour, its markers looking so:
// items [prefix, end) of `items`, after the axes' decoration as it was drawn then, so that the
// items can become the axes' run as they are.
struct ContentDrawing {
  Camera camera;
  Rgb axesColor;
  MarkerLooks looks;
  std::vector<Primitive> items;
  std::size_t prefix = 0;
};

// The depth order of a large content, built on a thread of its own so that the window goes on
// serving events meanwhile, and the content drawn with it as the view stood when the build
// began (the view seldom turns meanwhile). Dropping it asks the build to stop and waits for it
// (soon).
struct AsideBuild {
  std::shared_ptr<const AxesContent> content;  // what is built (shared with the axes' entry: read only)
  std::atomic<bool> done{false};
  DepthTree tree;
  ContentDrawing drawing;  // its camera, colour and looks given, its items made by the thread
  // The tree was given, not built: the thread only draws the content whole (a large view after a
  // turn), and hands the tree back.
  bool drawOnly = false;
  std::exception_ptr failure;
  // The axes' content changed since the build began. It goes on all the same: while the pointer
  // drags something through a large view, the builds that end show it at their pace, where
  // builds begun afresh at every step would never end.
  bool stale = false;
  std::jthread thread;  // last, so that it is joined before the rest goes
};

// Per axes: its content and the depth order of its faces and segments, which depend only on
// their geometry in box space, not on the view, so while the user turns an axes its tree is only
// walked again; and where its primitives lie in the figure's last list, so that an axes in which
// nothing changed is not drawn again at all.
struct RenderCache {
  struct Entry {
    std::shared_ptr<const AxesContent> content;  // shared with a build aside, which reads it too
    DepthTree tree;
    bool built = false;
    // The depth order of `content` while it is built aside (`tree` is then empty): until it is
    // ready the axes shows what it last showed whole, `last`, when the limits stayed (a click or
    // a preview in a large scene shows a moment late rather than as a sketch), else a sketch
    // (see render.hpp). The objects the last content came from may be gone.
    std::unique_ptr<AsideBuild> aside;
    struct Whole {
      std::shared_ptr<const AxesContent> content;
      DepthTree tree;
      std::uint64_t generation = 0;  // see `generation` below
    };
    std::unique_ptr<Whole> last;
    // The content drawn whole by the build aside that made `tree` (see AsideBuild), until the
    // axes is drawn whole once.
    std::unique_ptr<ContentDrawing> drawnAside;
    // Counts the whole depth orders the axes has had; `generation` is that of `tree`, 0 while
    // it is built aside.
    std::uint64_t wholes = 0;
    std::uint64_t generation = 0;
    std::uint64_t contentRevision = 0;  // of the axes when `content` was read
    Limits limits;                      // the limits `content` was read in
    // The axes' primitives in the figure's last list: its run `run`, items [first, first + count)
    // of the list, made when the axes and everything above it and below it had the revision
    // `drawnRevision`.
    bool drawn = false;
    std::size_t run = 0;
    std::size_t first = 0;
    std::size_t count = 0;
    std::vector<Primitive> spare;  // room for the axes' next run (empty): its run before last
    // What the run shows of the content: the whole drawing of depth order `shownGeneration` (0:
    // a sketch), items [contentFirst, contentFirst + contentCount) of the run, seen by
    // `shownCamera` in an axes of colour `shownColor`. Shown again while the next depth order is
    // built aside, it is taken from the run rather than drawn again.
    std::uint64_t shownGeneration = 0;
    std::shared_ptr<const AxesContent> shownContent;  // the content drawn so (none for a sketch)
    std::size_t contentFirst = 0;
    std::size_t contentCount = 0;
    Camera shownCamera;
    Rgb shownColor;
    std::uint64_t drawnRevision = 0;
    Rect extent;  // where those primitives reach, in pixels
    std::shared_ptr<HitGrid> hits;  // where those primitives lie, for hit tests: new when they move
    bool sketched = false;  // those primitives leave faces out: a sketch while the view turns
    // The sketch of a large content drawn while the view turns or its depth order is built
    // aside: every k-th of its faces, about `sketchSize` of them, with their own depth order
    // (made when first needed for the content).
    std::vector<DepthFace> sketchFaces;
    DepthTree sketchTree;
    bool sketchBuilt = false;
    std::size_t sketchSize = 0;
    // The axes' decoration (background, grid, box, ticks and their labels) as last drawn, for the
    // revision of the axes itself and of the figure, and the limits, it was drawn with: the
    // objects the axes holds change far more often than the axes.
    std::vector<Primitive> decoration;
    bool decorated = false;
    std::uint64_t decorationRevision = 0;
    Limits decorationLimits;
  };
  std::map<Handle, Entry> axes;  // by axes handle; entries of deleted axes are dropped (keep one
                                 // cache per figure)
  DrawingRoom room;
  int builds = 0;                // how many depth trees were built (a measure for tests)
  // When a turning view is sketched, and how large the sketch is; from how many faces a content's
  // depth order is built aside, and how large its sketch is meanwhile (see render.hpp; tests make
  // them small).
  std::size_t sketchAbove = 0;
  std::size_t sketchFaces = 0;
  std::size_t asideAbove = 0;
  std::size_t asideSketchFaces = 0;
  // Frees what a large view gave up (a content, a depth order, a build) beside the window: a
  // hundred thousand faces take tens of milliseconds to free. Last, so that it ends first.
  std::jthread disposal;
};

struct FigureDrawing {
  DisplayList list;
  RenderCache cache;
  bool current = false;  // `list` shows the figure as the model holds it now
  long builds = 0;       // how many times `list` was made
  // The axes whose primitives the last list made anew (the others it kept); all of them when
  // the figure itself changed. What a window must repaint.
  std::vector<Handle> redrawn;
  // Where the figure may look different since the list before: for each axes drawn anew, where
  // its primitives reached then and where they reach now.
  std::vector<Rect> changed;
  bool redrawnAll = true;
  std::uint64_t figureRevision = 0;  // the figure's own, when `list` was made
};

}  // namespace kolvar::graphics
