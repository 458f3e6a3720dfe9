#include <algorithm>
#include <cmath>
#include <cstdio>

#include "diagram/inorder.hpp"
#include "guiruntime/cla.hpp"
#include "views/palette.hpp"
#include "views/partition.hpp"
#include "views/painter.hpp"
#include "views/tree_view.hpp"
#include "views/views.hpp"

namespace kolvar::views {

namespace g = kolvar::graphics;

namespace {

// "%3.1f": one digit after the point, at least three characters wide.
std::string readout(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%3.1f", v);
  return buf;
}

// Limits, ticks and grid of the current axes, the view number `i` (0-based) of `setup`.
void setUpAxes(const AxesSetup& setup, std::size_t i) {
  const Handle ax = g::gca();
  const Limits& lim = setup.limits[i];
  const TickRows& ticks = setup.ticks[i];
  g::set(ax, "CameraViewAngleMode", "auto");
  g::set(ax, "DataAspectRatioMode", "auto");
  g::set(ax, "PlotBoxAspectRatioMode", "auto");
  g::set(ax, "XLim", Value::row({lim[0], lim[1]}));
  g::set(ax, "YLim", Value::row({lim[2], lim[3]}));
  g::set(ax, "ZLim", Value::row({lim[4], lim[5]}));
  // The tick labels are the tick positions themselves.
  const char* const names[3][2] = {{"XTick", "XTickLabel"}, {"YTick", "YTickLabel"}, {"ZTick", "ZTickLabel"}};
  for (std::size_t k = 0; k < 3; ++k) {
    const Value row = ticks[k].empty() ? Value(Matrix()) : Value::row(ticks[k]);
    g::set(ax, names[k][0], row);
    g::set(ax, names[k][1], row);
  }
  g::grid(ax, true);
}

// The outline of a polygon in the highlight colour, drawn over it (or over the polygon a piece of
// it belongs to, in the scene view).
Handle drawOutline(const bsp::Polygon& polygon) {
  const auto& pts = polygon.points;
  Matrix x(pts.size() + 1, 1), y(pts.size() + 1, 1), z(pts.size() + 1, 1);
  for (std::size_t i = 0; i <= pts.size(); ++i) {
    x[i] = pts[i % pts.size()].x;
    y[i] = pts[i % pts.size()].y;
    z[i] = pts[i % pts.size()].z;
  }
  const Rgb& c = kHighlightColour;
  return g::line(x, y, z, {{"Color", Value::row({c[0], c[1], c[2]})}, {"LineWidth", 3.0}, {"HitTest", "off"}});
}

// The scan list's selection follows its polygon: the row of `polygon`, or none.
void selectScanRow(Handle list, const bsp::Polygon* polygon) {
  Value rows = Value(Matrix());
  if (polygon) {
    const Value lines = g::get(list, "String");
    if (lines.isText() && lines.text() == polygon->label) rows = Value(1.0);
    if (lines.isCell())
      for (std::size_t i = 0; i < lines.numel(); ++i)
        if (lines.at(i).isText() && lines.at(i).text() == polygon->label) rows = Value(static_cast<double>(i + 1));
  }
  g::set(list, "Value", rows);
}

void drawFrame(const std::array<bsp::Vec3, 4>& frame) {
  // The origin, then the tips of the x, y and z arms, each named at its tip in its colour.
  const char* colours[] = {"r", "g", "b"};
  const char* names[] = {"x", "y", "z"};
  const bsp::Vec3& o = frame[0];
  for (std::size_t arm = 1; arm <= 3; ++arm) {
    const bsp::Vec3& tip = frame[arm];
    const Handle l = g::line(Matrix::column({o.x, tip.x}), Matrix::column({o.y, tip.y}),
                             Matrix::column({o.z, tip.z}), {{"LineWidth", 0.5}});
    g::set(l, "Color", colours[arm - 1]);
    g::text(tip.x, tip.y, tip.z, names[arm - 1],
            {{"Color", colours[arm - 1]}, {"FontWeight", "bold"}, {"HitTest", "off"}});
  }
}

// What the scene view showed when it was last drawn in full, kept on its axes: most steps (a
// click, an undo, a move of the scanner, pointing at a polygon) change the tree or what is in
// focus and leave the scene as it was, and drawing it again would only make the same objects
// anew. What is in focus is drawn over the scene's polygons, `focusLayer`, and changes alone. The
// drawing revision tells that nothing else changed the view since; holding the scene keeps its
// list from being reused for another.
struct SceneViewDrawn {
  bsp::PolygonList scene;
  Limits limits;
  TickRows ticks;
  std::array<bsp::Vec3, 4> frame;
  Options options;
  std::vector<Handle> focusLayer;
  std::uint64_t revision = 0;
};
constexpr std::string_view kSceneViewDrawn = "kolvarSceneViewDrawn";

// What the scene view keeps of its last drawing when it already shows the polygons `p` would
// draw in it: the same scene, set-up and options, not the first look, and untouched since; else
// nothing.
std::shared_ptr<const SceneViewDrawn> sceneViewKept(const Picture& p) {
  if (p.firstLook) return nullptr;
  std::shared_ptr<const SceneViewDrawn> kept = g::getappdata(p.axes[0], kSceneViewDrawn).payload<SceneViewDrawn>();
  if (!kept) return nullptr;
  const SceneViewDrawn& d = *kept;
  const bool current = d.scene.begin() == p.scene.begin() && d.scene.size() == p.scene.size() &&
                       d.limits == p.setup->limits[0] && d.ticks == p.setup->ticks[0] && d.frame == p.setup->frame &&
                       d.options == p.options && d.revision == g::drawingRevision(p.axes[0]);
  return current ? kept : nullptr;
}

void keepSceneViewDrawn(const Picture& p, std::vector<Handle> focusLayer) {
  g::setappdata(p.axes[0], kSceneViewDrawn,
                Value::wrap(std::make_shared<const SceneViewDrawn>(
                    SceneViewDrawn{p.scene, p.setup->limits[0], p.setup->ticks[0], p.setup->frame, p.options,
                                   std::move(focusLayer), g::drawingRevision(p.axes[0])})));
}

// What the scan list was last set to show, kept on it: of a tree of thousands of nodes, walking it
// and setting as many lines costs more than the rest of a step such as pointing at a polygon,
// and the lines change only with the tree and the scanner. The list's change count tells that
// nothing else set it since.
struct ScanListShown {
  bsp::NodeRef root;  // held, so that its address names no other tree meanwhile
  bsp::Vec3 scanner;
  std::uint64_t changes = 0;
};
constexpr std::string_view kScanListShown = "kolvarScanListShown";

bool scanListShows(Handle list, const bsp::NodeRef& root, const bsp::Vec3& scanner) {
  const auto shown = g::getappdata(list, kScanListShown).payload<ScanListShown>();
  return shown && shown->root == root && shown->scanner == scanner && shown->changes == g::changeCount(list);
}

void keepScanListShown(Handle list, const bsp::NodeRef& root, const bsp::Vec3& scanner) {
  g::setappdata(list, kScanListShown,
                Value::wrap(std::make_shared<const ScanListShown>(ScanListShown{root, scanner, g::changeCount(list)})));
}

}  // namespace

Value drawFigure(const Picture& p) {
  const AxesSetup& setup = *p.setup;
  g::axes(p.axes[0]);
  const Value savedView = g::view(g::gca());
  const std::shared_ptr<const SceneViewDrawn> sceneKept = sceneViewKept(p);
  const bool sceneCurrent = sceneKept != nullptr;
  const std::size_t firstDrawn = sceneCurrent ? 1 : 0;  // the views drawn anew: 0 scene, 1 partition, 2 tree

  for (std::size_t i = firstDrawn; i < 3; ++i) {
    g::axes(p.axes[i]);
    gui::cla();
    setUpAxes(setup, i);
  }
  // The 3-D views name their axes and keep the student's zoom.
  for (std::size_t i = 0; i < 2; ++i)
    g::set(p.axes[i], {{"XLabel", "x"}, {"YLabel", "y"}, {"ZLabel", "z"}, {"Zoom", p.focus.zoom[i]}});

  for (std::size_t i = firstDrawn; i < 2; ++i) {
    g::axes(p.axes[i]);
    g::light({{"Position", Value::row({-4, -4, 10})}});
    if (p.options.frame) drawFrame(setup.frame);
    if (p.firstLook) {
      g::view(g::gca(), Value(3.0));
    } else {
      g::view(g::gca(), savedView);
    }
  }

  const Focus& focus = p.focus;
  const PieceColours colours(p.scene);
  auto colourOf = [&](const bsp::Polygon& polygon) {
    const Rgb c = colours(polygon.label);
    return Value::row({c[0], c[1], c[2]});
  };
  // Each polygon as a face of its own; more than kManyPolygons of them by colour, with the one in
  // focus outlined over them.
  auto plotAll = [&](const std::vector<bsp::PolygonRef>& polygons, const bsp::Polygon* focused) {
    if (polygons.size() <= kManyPolygons) {
      const bool shaded = polygons.size() > kShadedOutlinesAbove;
      for (const auto& polygon : polygons)
        plotPolygon(polygon, p.options, colourOf(*polygon), polygon.get() == focused, shaded);
      return;
    }
    plotPolygons(polygons, [&](const bsp::Polygon& polygon) { return colours(polygon.label); });
    if (focused) drawOutline(*focused);
  };

  // The scene view: the chosen scene's polygons as given, each in its own colour; over them, the
  // polygon or piece in focus outlined and a preview's plane. A view that shows the polygons
  // already has only what is in focus drawn again.
  g::axes(p.axes[0]);
  if (sceneCurrent) {
    for (Handle h : sceneKept->focusLayer)
      if (g::ishandle(h)) g::deleteObject(h);
  } else {
    plotAll(p.scene.toVector(), nullptr);
  }
  std::vector<Handle> focusLayer;
  if (const bsp::Polygon* inFocus = focus.preview ? focus.preview->splitter : focus.highlighted)
    focusLayer.push_back(drawOutline(*inFocus));
  if (focus.preview)
    if (const Handle plane = drawPlaneOf(*focus.preview->splitter, setup.limits[0], kHighlightColour)) focusLayer.push_back(plane);

  // The partition view: the planes of the placed nodes first (a polygon lies in its own plane and
  // shows on top of it), every polygon placed in the tree in its colour, then what still waits.
  g::axes(p.axes[1]);
  if (focus.planes) drawPlanes(p.root, setup.limits[1], focus.highlighted, focus.selected);
  // Stepping through the painter's order shows the polygons drawn so far, in order; otherwise
  // every placed polygon.
  const std::size_t paintedRow = p.painted ? drawPainted(p) : 0;
  if (!p.painted) {
    std::vector<bsp::PolygonRef> placed;
    diagram::btinorder(p.root, [&](const bsp::BspElement& e) {
      if (e.poly) placed.push_back(e.poly);
    });
    plotAll(placed, focus.highlighted);
  }
  drawWaiting(p.root, focus.preview);
  if (focus.preview) drawPlaneOf(*focus.preview->splitter, setup.limits[1], kHighlightColour);
  if (focus.selected) drawCell(cellOfNode(p.root, focus.selected, setup.limits[1]), kCellColour);

  if (p.options.scanner) {
    const bsp::Vec3 s = p.scanner;
    const Handle marker = g::line(Matrix::row({s.x}), Matrix::row({s.y}), Matrix::row({s.z}),
                                  {{"Marker", "*"}});
    g::set(marker, {{"HitTest", "off"}, {"MarkerEdgeColor", "r"}, {"MarkerFaceColor", "r"}});
    // A dotted line down to the floor shows how high the scanner stands.
    g::set(marker, "MarkerSize", 9.0);
    const double floor = setup.limits[1][4];
    g::line(Matrix::column({s.x, s.x}), Matrix::column({s.y, s.y}), Matrix::column({s.z, floor}),
            {{"Color", Value::row({0.8, 0.35, 0.35})}, {"LineStyle", ":"}, {"HitTest", "off"}});
    // The region of space the scanner stands in, once a plane has cut the box (before, it is the
    // whole box and says nothing).
    if (focus.planes && p.root && p.root->element && p.root->element->poly)
      drawCell(cellOfPoint(p.root, s, setup.limits[1]), kScannerCellColour);
    g::set(p.readouts[0], "String", readout(s.x));
    g::set(p.readouts[1], "String", readout(s.y));
    g::set(p.readouts[2], "String", readout(s.z));
    if (!scanListShows(p.scanList, p.root, s)) {
      std::vector<const bsp::BspElement*> walked;
      bsp::bspFarToNear(s, p.root, [&](const bsp::BspElement& e) { walked.push_back(&e); });
      showScanList(p.scanList, walked);
    }
    // The row of the painter's step is selected; otherwise the row of the polygon in focus.
    if (paintedRow) {
      g::set(p.scanList, "Value", static_cast<double>(paintedRow));
    } else {
      selectScanRow(p.scanList, focus.highlighted ? focus.highlighted : focus.selected);
    }
    keepScanListShown(p.scanList, p.root, s);
  } else {
    for (Handle r : p.readouts) g::set(r, "String", " ");
    g::set(p.scanList, "String", "");
  }

  // The tree view.
  const Handle treeAxes = p.axes[2];
  drawTreeView(p);
  // The status line tells what a click on the waiting polygon pointed at would do, or names the
  // polygon pointed at (in a large scene, the only place its label shows).
  if (focus.status)
    g::set(focus.status, "String",
           focus.preview   ? previewSentence(focus.preview->outcome)
           : focus.pointed ? "Pointing at " + focus.pointed->label
                           : std::string(" "));

  // Rotation for the scene view. Switching it on may replace click handlers, so every handler
  // in the tree view is read first and given back afterwards.
  std::vector<Handle> treeObjects = g::findobj(treeAxes);
  const Value clickHandlers = g::get(treeObjects, "ButtonDownFcn");
  g::rotate3d(p.axes[0]);
  const Handle fig = g::gcf();
  const Value buttonUp = g::get(fig, "WindowButtonUpFcn");
  g::set(fig, "WindowButtonUpFcn", p.callbacks.buttonUp);
  // The tree view's columns of items are stacked by their height in data units, which changes
  // with the window's size.
  g::set(fig, "ResizeFcn", p.callbacks.resize);
  g::set(fig, {{"WindowButtonMotionFcn", p.callbacks.motion},
               {"WindowScrollWheelFcn", p.callbacks.wheel},
               {"WindowButtonDownFcn", p.callbacks.buttonDown}});
  g::set(treeObjects, "ButtonDownFcn", clickHandlers.cell().items);
  g::set(p.partition, "ButtonDownFcn", p.callbacks.partitionClick);
  keepSceneViewDrawn(p, std::move(focusLayer));
  return buttonUp;
}

void followRotation(Handle hObject, const Value& buttonUp, Handle sceneAxes, Handle partitionAxes) {
  if (buttonUp.isText()) {
    g::eval(buttonUp.text());
  } else if (!buttonUp.isEmpty()) {
    runtime::callValue(buttonUp, {Value(hObject), Value()});
  }
  g::axes(sceneAxes);
  const Value v = g::view(g::gca());
  g::axes(partitionAxes);
  // A release after a plain click leaves the view as it was; setting it again would make the
  // window draw itself anew for nothing.
  if (!(g::view(g::gca()) == v)) g::view(g::gca(), v);
}

}  // namespace kolvar::views
