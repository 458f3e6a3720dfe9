// The call-by-name tables: the main GUI function `kolvar` with its 28 local functions, and the
// tree-diagram modules. Each entry wraps a typed function; the argument checks of a call by name
// come from the declared counts and the line given here.
#include <iostream>

#include "app/app.hpp"
#include "diagram/inorder.hpp"
#include "diagram/tree_diagram.hpp"
#include "graphics/graphics.hpp"
#include "guiruntime/register.hpp"
#include "runtime/marshal.hpp"
#include "views/views.hpp"

namespace kolvar::runtime {

// Polygon lists and elements travel as typed payloads.
template <>
struct Convert<bsp::PolygonList> {
  static bsp::PolygonList from(const Value& v) { return views::polygonListOf(v); }
  static Value to(const bsp::PolygonList& l) { return views::polygonListValue(l); }
};

template <>
struct Convert<bsp::BspElement> {
  static bsp::BspElement from(const Value& v) {
    if (auto e = v.payload<bsp::BspElement>()) return *e;
    throw Error("Expected a BSP element, got " + v.describe() + ".", ErrorKind::Type);
  }
  static Value to(bsp::BspElement e) { return Value::wrap(std::make_shared<const bsp::BspElement>(std::move(e))); }
};

}  // namespace kolvar::runtime

namespace kolvar::app {

namespace g = kolvar::graphics;
using runtime::Args;
using runtime::Outputs;
using runtime::typed;

namespace {

std::vector<bsp::Vec3> columnsOf(const Matrix& p) {
  if (p.rows != 3) throw Error("Vertices must be given as a 3xN matrix, one vertex per column.", ErrorKind::Type);
  std::vector<bsp::Vec3> pts(p.cols);
  for (std::size_t c = 0; c < p.cols; ++c) pts[c] = {p(0, c), p(1, c), p(2, c)};
  return pts;
}

const bsp::Polygon& polygonOf(const bsp::PolygonRef& p) {
  if (!p) throw Error("Expected a polygon, got the empty value.", ErrorKind::Type);
  return *p;
}

diagram::NodePos nodePosOf(const Matrix& m) {
  if (m.numel() != 4) throw Error("A node position is a row [x dx y dy].", ErrorKind::Type);
  return {m[0], m[1], m[2], m[3]};
}

Value elementValue(const bsp::BspElement& e) { return runtime::Convert<bsp::BspElement>::to(e); }

// By-name forms of the typed functions.
bsp::PolygonRef newPolygonByName(const Matrix& p, std::optional<std::string> label) {
  return bsp::checkedPolygon(columnsOf(p), std::move(label));
}
double inFrontByName(const Matrix& pts, bsp::PolygonRef polygon) {
  return bsp::inFront(columnsOf(pts), polygonOf(polygon));
}
void displayPolygonByName(bsp::PolygonRef polygon) { bsp::displayPolygon(polygon, std::cout); }
std::tuple<bsp::PolygonRef, bsp::PolygonRef> splitPolyByName(bsp::PolygonRef a, bsp::PolygonRef b) {
  auto [f, back] = bsp::splitPoly(polygonOf(a), polygonOf(b));
  return {f, back};
}
bsp::BspElement bspElementByName(bsp::PolygonRef p, bsp::PolygonList f, bsp::PolygonList b) {
  return bsp::bspElement(std::move(p), std::move(f), std::move(b));
}
bsp::NodeRef bspNodeByName(const Value& e, bsp::NodeRef left, bsp::NodeRef right) {
  std::optional<bsp::BspElement> element;
  if (!e.isEmpty()) element = runtime::Convert<bsp::BspElement>::from(e);
  return bsp::bspNode(std::move(element), std::move(left), std::move(right));
}
bool bspInFrontByName(bsp::NodeRef a, bsp::NodeRef b) { return bsp::bspInFront(a, b); }
bsp::NodeRef bspInsertNodeByName(bsp::NodeRef tree, bsp::NodeRef node) { return bsp::bspInsertNode(tree, node); }
void bspFarToNearByName(const Matrix& viewer, bsp::NodeRef tree, const Value& f) {
  const bsp::Vec3 v = views::vec3Of(Value(viewer));
  bsp::bspFarToNear(v, tree, [&](const bsp::BspElement& e) { runtime::callValue(f, {elementValue(e)}); });
}
void btinorderByName(bsp::NodeRef tree, const Value& f) {
  diagram::btinorder(tree, [&](const bsp::BspElement& e) { runtime::callValue(f, {elementValue(e)}); });
}
diagram::ElementPlotter plotterOf(const Value& f) {
  return [f](const diagram::NodePos& pos, const bsp::BspElement& e) {
    runtime::callValue(f, {Value::row({pos[0], pos[1], pos[2], pos[3]}), elementValue(e)});
  };
}
void btplottreeByName(bsp::NodeRef tree, const Value& eplotter) { diagram::btplottree(tree, plotterOf(eplotter)); }
void btplotnodesByName(const Matrix& pos, bsp::NodeRef tree, const Value& eplotter) {
  diagram::btplotnodes(nodePosOf(pos), tree, plotterOf(eplotter));
}
void bspPlot3ElementByName(bsp::BspElement e) { views::bspPlot3Element(e); }
void bspPlotElementByName(const Matrix& pos, bsp::BspElement e) { views::bspPlotElement(nodePosOf(pos), e); }
void bspPlotListByName(const Matrix& pos, bsp::PolygonList l) { views::bspPlotList(nodePosOf(pos), l); }
void updateScanListByName(bsp::BspElement e) { views::updateScanList(e); }
void plotPolygonByName(bsp::PolygonRef p) { views::plotPolygon(p); }
void drawFigureByName(double h) { views::drawFigure(h); }
void wrapWindowButtonUpFcnByName(double h, std::optional<Value> evt) {
  views::wrapWindowButtonUpFcn(h, evt.value_or(Value()));
}

// Handlers: (hObject, eventdata, handles). Arguments a handler never reads may be absent.
using Opt = std::optional<Value>;
void selectPolyCreate(double h, Opt, Opt) { select_poly_CreateFcn(h); }
void showOption(double h, Opt, Opt) { show_option_Callback(h); }
void selectPoly(double h, Opt, Opt) { select_poly_Callback(h); }
void reset(double h, Opt, Opt) { reset_Callback(h); }
void axes2Down(double h, Opt, Opt) { axes2_ButtonDownFcn(h); }
void nodeListItemDown(double h, Opt) { NodeListItem_ButtonDownFcn(h); }
void fileMenu(Opt, Opt, Opt) { FileMenu_Callback(); }
void openMenu(Opt, Opt, Opt) { OpenMenuItem_Callback(); }
void printMenu(Opt, Opt, const Value& handles) { PrintMenuItem_Callback(handles); }
void closeMenu(Opt, Opt, const Value& handles) { CloseMenuItem_Callback(handles); }

const std::vector<std::string> kHandlerArgs{"hObject", "eventdata", "handles"};

}  // namespace

void registerProgram(runtime::Registry& r) {
  r.addModule("kolvar", -1, -1, &kolvar);

  r.addLocal("kolvar", "kolvar_OpeningFcn", 48, -4, 0, [](const Args& a, int) -> Outputs {
    if (a.size() < 1) throw errors::undefinedValue("hObject");
    if (a.size() < 3) throw errors::undefinedValue("handles");
    kolvar_OpeningFcn(a[0].scalar(), a[2]);
    return {};
  });
  r.addLocal("kolvar", "kolvar_OutputFcn", 157, 3, -1, [](const Args& a, int) -> Outputs {
    if (a.size() < 3) throw errors::undefinedValue("handles");
    return {kolvar_OutputFcn(a[2])};
  });
  r.addLocal("kolvar", "FileMenu_Callback", 168, 3, 0, typed(&fileMenu, kHandlerArgs));
  r.addLocal("kolvar", "OpenMenuItem_Callback", 175, 3, 0, typed(&openMenu, kHandlerArgs));
  r.addLocal("kolvar", "PrintMenuItem_Callback", 186, 3, 0, typed(&printMenu, kHandlerArgs));
  r.addLocal("kolvar", "CloseMenuItem_Callback", 194, 3, 0, typed(&closeMenu, kHandlerArgs));
  r.addLocal("kolvar", "select_poly_CreateFcn", 210, 3, 0, typed(&selectPolyCreate, kHandlerArgs));
  r.addLocal("kolvar", "show_option_Callback", 225, 3, 0, typed(&showOption, kHandlerArgs));
  r.addLocal("kolvar", "select_poly_Callback", 233, 3, 0, typed(&selectPoly, kHandlerArgs));
  r.addLocal("kolvar", "reset_Callback", 245, 3, 0, typed(&reset, kHandlerArgs));
  r.addLocal("kolvar", "axes2_ButtonDownFcn", 260, 3, 0, typed(&axes2Down, kHandlerArgs));
  r.addLocal("kolvar", "NodeListItem_ButtonDownFcn", 281, 2, 0, typed(&nodeListItemDown, {"hObject", "eventdata"}));
  r.addLocal("kolvar", "splitPoly", 330, 2, 2, typed(&splitPolyByName, {"polyA", "polyB"}));
  r.addLocal("kolvar", "drawFigure", 397, 1, 0, typed(&drawFigureByName, {"hObject"}));
  r.addLocal("kolvar", "updateScanList", 519, 1, 0, typed(&updateScanListByName, {"element"}));
  r.addLocal("kolvar", "plotPolygon", 536, 1, 0, typed(&plotPolygonByName, {"polygon"}));
  r.addLocal("kolvar", "wrapWindowButtonUpFcn", 572, 2, 0, typed(&wrapWindowButtonUpFcnByName, {"hObject", "eventdata"}));
  r.addLocal("kolvar", "newPolygon", 585, 2, 1, typed(&newPolygonByName, {"p", "label"}));
  r.addLocal("kolvar", "inFront", 609, 2, 1, typed(&inFrontByName, {"pts", "polygon"}));
  r.addLocal("kolvar", "displayPolygon", 643, 1, 0, typed(&displayPolygonByName, {"polygon"}));
  r.addLocal("kolvar", "bspElement", 655, 3, 1, typed(&bspElementByName, {"p", "f", "b"}));
  r.addLocal("kolvar", "bspNode", 666, 3, 1, typed(&bspNodeByName, {"e", "left", "right"}));
  r.addLocal("kolvar", "bspInsertNode", 677, 2, 1, typed(&bspInsertNodeByName, {"tree", "node"}));
  r.addLocal("kolvar", "bspPlot3Element", 710, 1, 0, typed(&bspPlot3ElementByName, {"element"}));
  r.addLocal("kolvar", "bspPlotElement", 716, 2, 0, typed(&bspPlotElementByName, {"pos", "element"}));
  r.addLocal("kolvar", "bspPlotList", 755, 2, 0, typed(&bspPlotListByName, {"pos", "polyList"}));
  r.addLocal("kolvar", "bspFarToNear", 784, 3, 0, typed(&bspFarToNearByName, {"viewer", "tree", "f"}));
  r.addLocal("kolvar", "bspInFront", 807, 2, 1, typed(&bspInFrontByName, {"nodeA", "nodeB"}));

  r.addModule("bsp/private/btinorder", 2, 0, typed(&btinorderByName, {"tree", "f"}));
  r.addModule("bsp/private/btplottree", 2, 0, typed(&btplottreeByName, {"tree", "eplotter"}));
  r.addModule("bsp/private/btplotnodes", 3, 0, typed(&btplotnodesByName, {"pos", "tree", "eplotter"}));

  gui::registerGuiRuntime(r);
}

}  // namespace kolvar::app
