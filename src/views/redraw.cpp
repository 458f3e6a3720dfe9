#include <cmath>
#include <cstdio>

#include "diagram/inorder.hpp"
#include "guiruntime/cla.hpp"
#include "views/painter.hpp"
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

void drawFrame(const std::array<bsp::Vec3, 4>& frame) {
  // The origin, then the tips of the x, y and z arms.
  const char* colours[] = {"r", "g", "b"};
  const bsp::Vec3& o = frame[0];
  for (std::size_t arm = 1; arm <= 3; ++arm) {
    const bsp::Vec3& tip = frame[arm];
    const Handle l = g::line(Matrix::column({o.x, tip.x}), Matrix::column({o.y, tip.y}),
                             Matrix::column({o.z, tip.z}), {{"LineWidth", 0.5}});
    g::set(l, "Color", colours[arm - 1]);
  }
}

}  // namespace

Value drawFigure(const Picture& p) {
  const AxesSetup& setup = *p.setup;
  g::axes(p.axes[0]);
  const Value savedView = g::view(g::gca());

  for (std::size_t i = 0; i < 3; ++i) {
    g::axes(p.axes[i]);
    gui::cla();
    setUpAxes(setup, i);
  }

  for (std::size_t i = 0; i < 2; ++i) {
    g::axes(p.axes[i]);
    g::light({{"Position", Value::row({-4, -4, 10})}});
    if (p.options.frame) drawFrame(setup.frame);
    if (p.firstLook) {
      g::view(g::gca(), Value(3.0));
    } else {
      g::view(g::gca(), savedView);
    }
  }

  // The scene view: the chosen scene's polygons as given.
  g::axes(p.axes[0]);
  for (const auto& polygon : p.scene) plotPolygon(polygon, p.options);

  // The partition view: every polygon placed in the tree.
  g::axes(p.axes[1]);
  const std::size_t paintedRow = p.painted ? drawPainted(p) : 0;
  if (!p.painted) diagram::btinorder(p.root, [&](const bsp::BspElement& e) { plotPolygon(e.poly, p.options); });

  if (p.options.scanner) {
    const bsp::Vec3 s = p.scanner;
    const Handle marker = g::line(Matrix::row({s.x}), Matrix::row({s.y}), Matrix::row({s.z}),
                                  {{"Marker", "*"}});
    g::set(marker, {{"HitTest", "off"}, {"MarkerEdgeColor", "r"}, {"MarkerFaceColor", "r"}});
    g::set(p.readouts[0], "String", readout(s.x));
    g::set(p.readouts[1], "String", readout(s.y));
    g::set(p.readouts[2], "String", readout(s.z));
    g::set(p.scanList, "String", "");
    bsp::bspFarToNear(s, p.root, [&](const bsp::BspElement& e) { updateScanList(p.scanList, e); });
    // The row of the painter's step is selected; otherwise no row is (the rows were rebuilt).
    if (paintedRow) {
      g::set(p.scanList, "Value", static_cast<double>(paintedRow));
    } else if (!g::get(p.scanList, "Value").isEmpty()) {
      g::set(p.scanList, "Value", Matrix());
    }
  } else {
    for (Handle r : p.readouts) g::set(r, "String", " ");
    g::set(p.scanList, "String", "");
  }

  // The tree view.
  const Handle treeAxes = p.axes[2];
  g::axes(treeAxes);
  gui::cla();
  g::view(treeAxes, Value(2.0));
  g::grid(treeAxes, false);
  diagram::btplottree(p.root, [&](const diagram::NodePos& pos, const bsp::BspElement& e) {
    bspPlotElement(pos, e, p.callbacks.itemClick);
    if (p.painted && e.poly && e.poly == p.painted->poly) markVisited(pos, e, p.scanner);
  });

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
  g::set(treeObjects, "ButtonDownFcn", clickHandlers.cell().items);
  g::set(p.partition, "ButtonDownFcn", p.callbacks.partitionClick);
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
