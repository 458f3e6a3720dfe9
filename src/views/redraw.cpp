#include <cmath>
#include <cstdio>

#include "diagram/inorder.hpp"
#include "guiruntime/cla.hpp"
#include "guiruntime/guidata.hpp"
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

Handle axesHandle(const Value& handles, std::size_t i) {
  return handles.field("hAxes").matrix()[i];
}

// Limits, ticks and grid of axes i (0-based) from the state.
void setUpAxes(const Value& handles, std::size_t i) {
  const Handle ax = g::gca();
  const Matrix& lim = handles.field("scene_limits").at(i).matrix();
  const Value& ticks = handles.field("ticks");
  // ticks is a 3x3 cell, entry (k, i) in column-major order.
  auto tick = [&](std::size_t k) { return ticks.at(i * 3 + k); };
  g::set(ax, "CameraViewAngleMode", "auto");
  g::set(ax, "DataAspectRatioMode", "auto");
  g::set(ax, "PlotBoxAspectRatioMode", "auto");
  g::set(ax, "XLim", Value::row({lim[0], lim[1]}));
  g::set(ax, "YLim", Value::row({lim[2], lim[3]}));
  g::set(ax, "ZLim", Value::row({lim[4], lim[5]}));
  g::set(ax, "XTick", tick(0));
  g::set(ax, "XTickLabel", tick(0));
  g::set(ax, "YTick", tick(1));
  g::set(ax, "YTickLabel", tick(1));
  g::set(ax, "ZTick", tick(2));
  g::set(ax, "ZTickLabel", tick(2));
  g::grid(ax, true);
}

void drawFrame(const Matrix& frame) {
  // Columns: origin, then the tips of the x, y and z arms.
  const char* colours[] = {"r", "g", "b"};
  for (std::size_t arm = 1; arm <= 3; ++arm) {
    const Handle l = g::line(Matrix::column({frame(0, 0), frame(0, arm)}),
                             Matrix::column({frame(1, 0), frame(1, arm)}),
                             Matrix::column({frame(2, 0), frame(2, arm)}), {{"LineWidth", 0.5}});
    g::set(l, "Color", colours[arm - 1]);
  }
}

}  // namespace

void drawFigure(Handle hObject) {
  Value handles = gui::guidata(hObject);

  g::axes(axesHandle(handles, 0));
  const Value savedView = g::view(g::gca());

  for (std::size_t i = 0; i < 3; ++i) {
    g::axes(axesHandle(handles, i));
    gui::cla();
    setUpAxes(handles, i);
  }

  const bool firstLook = handles.field("first_look").isTrue();
  for (std::size_t i = 0; i < 2; ++i) {
    g::axes(axesHandle(handles, i));
    g::light({{"Position", Value::row({-4, -4, 10})}});
    if (isOn(handles.field("show_coordinate_frame"))) drawFrame(handles.field("gFrame").matrix());
    if (firstLook) {
      g::view(g::gca(), Value(3.0));
    } else {
      g::view(g::gca(), savedView);
    }
  }

  // The scene view: the chosen scene's polygons as given.
  const Value& faces = handles.field("faces");
  const double scene = g::get(handles.field("select_poly").scalar(), "Value").scalar();
  if (!(scene >= 1 && scene == std::floor(scene)))
    throw Error("Index must be a positive integer; the scene popup's value is " +
                    formatShortest(scene) + ".",
                ErrorKind::Index);
  const bsp::PolygonList objects = polygonListOf(faces.at(static_cast<std::size_t>(scene) - 1));
  g::axes(axesHandle(handles, 0));
  for (const auto& p : objects) plotPolygon(p);

  // The partition view: every polygon placed in the tree.
  const bsp::NodeRef root = treeOf(handles.field("root"));
  g::axes(axesHandle(handles, 1));
  diagram::btinorder(root, bspPlot3Element);

  const Handle scanList = handles.field("scan_list").scalar();
  const Handle readouts[] = {handles.field("scanX").scalar(), handles.field("scanY").scalar(),
                             handles.field("scanZ").scalar()};
  if (isOn(handles.field("show_scanner"))) {
    const bsp::Vec3 s = vec3Of(handles.field("scanner"));
    const Handle marker = g::line(Matrix::row({s.x}), Matrix::row({s.y}), Matrix::row({s.z}),
                                  {{"Marker", "*"}});
    g::set(marker, {{"HitTest", "off"}, {"MarkerEdgeColor", "r"}, {"MarkerFaceColor", "r"}});
    g::set(readouts[0], "String", readout(s.x));
    g::set(readouts[1], "String", readout(s.y));
    g::set(readouts[2], "String", readout(s.z));
    g::set(scanList, "String", "");
    bsp::bspFarToNear(s, root, updateScanList);
  } else {
    for (Handle r : readouts) g::set(r, "String", " ");
    g::set(scanList, "String", "");
  }

  // The tree view.
  const Handle treeAxes = axesHandle(handles, 2);
  g::axes(treeAxes);
  gui::cla();
  g::view(treeAxes, Value(2.0));
  g::grid(treeAxes, false);
  diagram::btplottree(root, bspPlotElement);

  // Rotation for the scene view. Switching it on may replace click handlers, so every handler
  // in the tree view is read first and given back afterwards.
  std::vector<Handle> treeObjects = g::findobj(treeAxes);
  const Value clickHandlers = g::get(treeObjects, "ButtonDownFcn");
  handles.setField("first_look", 0.0);
  g::rotate3d(axesHandle(handles, 0));
  const Handle fig = g::gcf();
  handles.setField("WindowButtonUpFcn", g::get(fig, "WindowButtonUpFcn"));
  g::set(fig, "WindowButtonUpFcn", Value(g::registry().reference("wrapWindowButtonUpFcn", "kolvar")));
  gui::guidata(g::gca(), handles);
  g::set(treeObjects, "ButtonDownFcn", clickHandlers.cell().items);
  g::set(handles.field("axes2").scalar(), "ButtonDownFcn",
         Value(g::registry().reference("axes2_ButtonDownFcn", "kolvar")));
}

void wrapWindowButtonUpFcn(Handle hObject, const Value& /*eventData*/) {
  const Value handles = gui::guidata(hObject);
  const Value& pending = handles.field("WindowButtonUpFcn");
  if (pending.isText()) {
    g::eval(pending.text());
  } else if (!pending.isEmpty()) {
    runtime::callValue(pending, {Value(hObject), Value()});
  }
  g::axes(axesHandle(handles, 0));
  const Value v = g::view(g::gca());
  g::axes(axesHandle(handles, 1));
  g::view(g::gca(), v);
}

}  // namespace kolvar::views
