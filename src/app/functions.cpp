// The program's function table, the one place that lists what can be called by name: the main
// GUI function `kolvar` with its local functions, the tree-diagram modules and the GUI runtime's
// modules, in the table's order, each with its declared counts and the line its argument check
// names. Registration, the initialisation table and references made by symbol all read it.
//
// A by-name body reads its arguments in the order the function itself reads them, so a call
// that leaves some out names the first one the function needed; an argument the function never
// reaches may be missing without harm.
#include <iostream>

#include "app/app.hpp"
#include "app/guide.hpp"
#include "app/learning.hpp"
#include "diagram/inorder.hpp"
#include "diagram/tree_diagram.hpp"
#include "guiruntime/guidata.hpp"
#include "guiruntime/register.hpp"
#include "runtime/marshal.hpp"

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
using runtime::Convert;
using runtime::Outputs;
using runtime::typed;

namespace {

// Argument `i`, which the body is about to read: the runtime's undefined-value error when the
// caller left it out.
const Value& arg(const Args& a, std::size_t i, const char* name) {
  if (i >= a.size()) throw errors::undefinedValue(name);
  return a[i];
}
template <class T>
T argAs(const Args& a, std::size_t i, const char* name) {
  return Convert<T>::from(arg(a, i, name));
}

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

Value elementValue(const bsp::BspElement& e) { return Convert<bsp::BspElement>::to(e); }

// A visitor or plotter handed in by name, read when the walk first needs it.
class LazyCallable {
 public:
  LazyCallable(const Args& a, std::size_t i, const char* name) : args_(a), i_(i), name_(name) {}
  const Value& get() const { return arg(args_, i_, name_); }

 private:
  const Args& args_;
  std::size_t i_;
  const char* name_;
};

// The display options and the scan list of the window of the current axes, where the drawing
// functions find them when called by name.
ProgramState stateOfCurrentAxes() { return fetchState(g::gca()); }

// By-name forms of the typed functions.
bsp::PolygonRef newPolygonByName(const Matrix& p, std::optional<std::string> label) {
  return bsp::checkedPolygon(columnsOf(p), std::move(label));
}
double inFrontByName(const Matrix& pts, bsp::PolygonRef polygon) {
  return bsp::inFront(columnsOf(pts), polygonOf(polygon));
}
void displayPolygonByName(bsp::PolygonRef polygon) { bsp::displayPolygon(polygon, std::cout); }
bsp::BspElement bspElementByName(bsp::PolygonRef p, bsp::PolygonList f, bsp::PolygonList b) {
  return bsp::bspElement(std::move(p), std::move(f), std::move(b));
}
bsp::NodeRef bspNodeByName(const Value& e, bsp::NodeRef left, bsp::NodeRef right) {
  std::optional<bsp::BspElement> element;
  if (!e.isEmpty()) element = Convert<bsp::BspElement>::from(e);
  return bsp::bspNode(std::move(element), std::move(left), std::move(right));
}
bsp::NodeRef bspInsertNodeByName(bsp::NodeRef tree, bsp::NodeRef node) { return bsp::bspInsertNode(tree, node); }
void bspPlotElementByName(const Matrix& pos, bsp::BspElement e) {
  views::bspPlotElement(nodePosOf(pos), e, functionRef(&NodeListItem_ButtonDownFcn));
}
void bspPlotListByName(const Matrix& pos, bsp::PolygonList l) {
  views::bspPlotList(nodePosOf(pos), l, functionRef(&NodeListItem_ButtonDownFcn));
}
void drawFigureByName(double h) { drawFigure(h); }
void wrapWindowButtonUpFcnByName(double h, std::optional<Value>) { wrapWindowButtonUpFcn(h); }

// splitPoly reads the splitter (its normal) before the polygon it cuts.
Outputs splitPolyByName(const Args& a, int) {
  const bsp::PolygonRef b = argAs<bsp::PolygonRef>(a, 1, "polyB");
  const bsp::PolygonRef p = argAs<bsp::PolygonRef>(a, 0, "polyA");
  auto [front, back] = bsp::splitPoly(polygonOf(p), polygonOf(b));
  return {Value::wrap(front), Value::wrap(back)};
}

// The walks look at the tree first; the viewer and the visitor only once there is a node to
// visit.
Outputs bspFarToNearByName(const Args& a, int) {
  const bsp::NodeRef tree = argAs<bsp::NodeRef>(a, 1, "tree");
  if (!tree || !tree->element || !tree->element->poly) return {};
  const bsp::Vec3 viewer = views::vec3Of(arg(a, 0, "viewer"));
  const LazyCallable f(a, 2, "f");
  bsp::bspFarToNear(viewer, tree, [&](const bsp::BspElement& e) { runtime::callValue(f.get(), {elementValue(e)}); });
  return {};
}
Outputs btinorderByName(const Args& a, int) {
  const bsp::NodeRef tree = argAs<bsp::NodeRef>(a, 0, "tree");
  const LazyCallable f(a, 1, "f");
  diagram::btinorder(tree, [&](const bsp::BspElement& e) { runtime::callValue(f.get(), {elementValue(e)}); });
  return {};
}
diagram::ElementPlotter plotterOf(const LazyCallable& f) {
  return [&f](const diagram::NodePos& pos, const bsp::BspElement& e) {
    runtime::callValue(f.get(), {Value::row({pos[0], pos[1], pos[2], pos[3]}), elementValue(e)});
  };
}
Outputs btplottreeByName(const Args& a, int) {
  const bsp::NodeRef tree = argAs<bsp::NodeRef>(a, 0, "tree");
  const LazyCallable f(a, 1, "eplotter");
  f.get();  // handed on to the layout of the first node
  diagram::btplottree(tree, plotterOf(f));
  return {};
}
Outputs btplotnodesByName(const Args& a, int) {
  const bsp::NodeRef tree = argAs<bsp::NodeRef>(a, 1, "tree");
  if (!tree) return {};
  const diagram::NodePos pos = nodePosOf(argAs<Matrix>(a, 0, "pos"));
  const LazyCallable f(a, 2, "eplotter");
  f.get();  // handed on to the children, or called for the node itself
  diagram::btplotnodes(pos, tree, plotterOf(f));
  return {};
}

// Anything missing on nodeA's side settles the answer before nodeB is looked at.
Outputs bspInFrontByName(const Args& a, int) {
  const bsp::NodeRef nodeA = argAs<bsp::NodeRef>(a, 0, "nodeA");
  if (!nodeA || !nodeA->element || !nodeA->element->poly) return {Value::boolean(true)};
  return {Value::boolean(bsp::bspInFront(nodeA, argAs<bsp::NodeRef>(a, 1, "nodeB")))};
}

// The drawing functions look at their polygon or element before they fetch the window's state.
Outputs plotPolygonByName(const Args& a, int) {
  const bsp::PolygonRef p = argAs<bsp::PolygonRef>(a, 0, "polygon");
  if (p) views::plotPolygon(p, displayOptions(stateOfCurrentAxes().controls));
  return {};
}
Outputs bspPlot3ElementByName(const Args& a, int) {
  const bsp::BspElement e = argAs<bsp::BspElement>(a, 0, "element");
  if (e.poly) views::plotPolygon(e.poly, displayOptions(stateOfCurrentAxes().controls));
  return {};
}
Outputs updateScanListByName(const Args& a, int) {
  const Handle list = controlsOf(gui::guidata(g::gca())).scan_list;
  views::updateScanList(list, argAs<bsp::BspElement>(a, 0, "element"));
  return {};
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
void helpMenu(double h, Opt, Opt) { HelpMenuItem_Callback(h); }
void tourMenu(double h, Opt, Opt) { TourMenuItem_Callback(h); }
// Learning: the Edit menu, the Build and painter's controls, the log panel, the close button.
template <void (*F)(Handle)>
void onObject(double h, Opt, Opt) {
  F(h);
}
// The opening function first writes the window into `handles`, which may be missing: writing a
// field makes the record.
Outputs openingByName(const Args& a, int) {
  const Handle h = argAs<double>(a, 0, "hObject");
  kolvar_OpeningFcn(h, a.size() >= 3 ? a[2] : Value());
  return {};
}
Outputs outputByName(const Args& a, int) { return {kolvar_OutputFcn(arg(a, 2, "handles"))}; }

const std::vector<std::string> kHandlerArgs{"hObject", "eventdata", "handles"};

template <class F>
AnyFunction symbolOf(F* f) {
  return reinterpret_cast<AnyFunction>(f);
}

// One row of the main GUI function's local function table.
struct LocalFunction {
  const char* name;
  int line;
  int nin;
  int nout;
  runtime::Body body;
  AnyFunction symbol = nullptr;  // the C++ function behind it, for references made by symbol
};

// The main GUI function's local functions, in the order of its table.
const std::vector<LocalFunction>& kolvarLocals() {
  static const std::vector<LocalFunction> table = {
      {"kolvar_OpeningFcn", 48, -4, 0, &openingByName, symbolOf(&kolvar_OpeningFcn)},
      {"kolvar_OutputFcn", 157, 3, -1, &outputByName, symbolOf(&kolvar_OutputFcn)},
      {"FileMenu_Callback", 168, 3, 0, typed(&fileMenu, kHandlerArgs)},
      {"OpenMenuItem_Callback", 175, 3, 0, typed(&openMenu, kHandlerArgs)},
      {"PrintMenuItem_Callback", 186, 3, 0, typed(&printMenu, kHandlerArgs)},
      {"CloseMenuItem_Callback", 194, 3, 0, typed(&closeMenu, kHandlerArgs)},
      {"HelpMenuItem_Callback", 0, 3, 0, typed(&helpMenu, kHandlerArgs)},
      {"TourMenuItem_Callback", 0, 3, 0, typed(&tourMenu, kHandlerArgs)},
      {"select_poly_CreateFcn", 210, 3, 0, typed(&selectPolyCreate, kHandlerArgs)},
      {"show_option_Callback", 225, 3, 0, typed(&showOption, kHandlerArgs)},
      {"select_poly_Callback", 233, 3, 0, typed(&selectPoly, kHandlerArgs)},
      {"reset_Callback", 245, 3, 0, typed(&reset, kHandlerArgs)},
      {"axes2_ButtonDownFcn", 260, 3, 0, typed(&axes2Down, kHandlerArgs), symbolOf(&axes2_ButtonDownFcn)},
      {"NodeListItem_ButtonDownFcn", 281, 2, 0, typed(&nodeListItemDown, {"hObject", "eventdata"}),
       symbolOf(&NodeListItem_ButtonDownFcn)},
      {"splitPoly", 330, 2, 2, &splitPolyByName},
      {"drawFigure", 397, 1, 0, typed(&drawFigureByName, {"hObject"})},
      {"updateScanList", 519, 1, 0, &updateScanListByName},
      {"plotPolygon", 536, 1, 0, &plotPolygonByName},
      {"wrapWindowButtonUpFcn", 572, 2, 0, typed(&wrapWindowButtonUpFcnByName, {"hObject", "eventdata"}),
       symbolOf(&wrapWindowButtonUpFcn)},
      {"newPolygon", 585, 2, 1, typed(&newPolygonByName, {"p", "label"})},
      {"inFront", 609, 2, 1, typed(&inFrontByName, {"pts", "polygon"})},
      {"displayPolygon", 643, 1, 0, typed(&displayPolygonByName, {"polygon"})},
      {"bspElement", 655, 3, 1, typed(&bspElementByName, {"p", "f", "b"})},
      {"bspNode", 666, 3, 1, typed(&bspNodeByName, {"e", "left", "right"})},
      {"bspInsertNode", 677, 2, 1, typed(&bspInsertNodeByName, {"tree", "node"})},
      {"bspPlot3Element", 710, 1, 0, &bspPlot3ElementByName},
      {"bspPlotElement", 716, 2, 0, typed(&bspPlotElementByName, {"pos", "element"})},
      {"bspPlotList", 755, 2, 0, typed(&bspPlotListByName, {"pos", "polyList"})},
      {"bspFarToNear", 784, 3, 0, &bspFarToNearByName},
      {"bspInFront", 807, 2, 1, &bspInFrontByName},
      {"UndoMenuItem_Callback", 901, 3, 0, typed(&onObject<&UndoMenuItem_Callback>, kHandlerArgs)},
      {"RedoMenuItem_Callback", 902, 3, 0, typed(&onObject<&RedoMenuItem_Callback>, kHandlerArgs)},
      {"auto_step_Callback", 903, 3, 0, typed(&onObject<&auto_step_Callback>, kHandlerArgs)},
      {"auto_all_Callback", 904, 3, 0, typed(&onObject<&auto_all_Callback>, kHandlerArgs)},
      {"compare_Callback", 905, 3, 0, typed(&onObject<&compare_Callback>, kHandlerArgs)},
      {"paint_step_Callback", 906, 3, 0, typed(&onObject<&paint_step_Callback>, kHandlerArgs)},
      {"paint_back_Callback", 907, 3, 0, typed(&onObject<&paint_back_Callback>, kHandlerArgs)},
      {"paint_reset_Callback", 908, 3, 0, typed(&onObject<&paint_reset_Callback>, kHandlerArgs)},
      {"show_log_Callback", 909, 3, 0, typed(&onObject<&show_log_Callback>, kHandlerArgs)},
      {"figure1_CloseRequestFcn", 910, 3, 0, typed(&onObject<&figure1_CloseRequestFcn>, kHandlerArgs)},
      {"paint_play_Callback", 911, 3, 0, typed(&onObject<&paint_play_Callback>, kHandlerArgs)},
      {"paint_speed_Callback", 912, 3, 0, typed(&onObject<&paint_speed_Callback>, kHandlerArgs)},
      {"challenge_Callback", 913, 3, 0, typed(&onObject<&challenge_Callback>, kHandlerArgs)},
  };
  return table;
}

void registerKolvar(runtime::Registry& r) {
  r.addModule("kolvar", -1, -1, &kolvar);
  for (const LocalFunction& f : kolvarLocals()) r.addLocal("kolvar", f.name, f.line, f.nin, f.nout, f.body);
}

}  // namespace

Value functionRefTo(AnyFunction symbol) {
  for (const LocalFunction& f : kolvarLocals())
    if (f.symbol == symbol) return Value(g::registry().reference(f.name, "kolvar"));
  throw Error("No function of the kolvar table stands for this callback.");
}

void registerProgram(runtime::Registry& r) {
  // The modules in the order of the program's function table.
  registerKolvar(r);
  r.addModule("bsp/private/btinorder", 2, 0, &btinorderByName);
  r.addModule("bsp/private/btplottree", 2, 0, &btplottreeByName);
  gui::registerCla(r);
  gui::registerGuiMainfcn(r);
  gui::registerGuidata(r);
  r.addModule("bsp/private/btplotnodes", 3, 0, &btplotnodesByName);
  gui::registerGuihandles(r);
  gui::registerOpenfig(r);
  gui::registerIsvarname(r);
  gui::registerMovegui(r);
  gui::registerIskeyword(r);
}

}  // namespace kolvar::app
