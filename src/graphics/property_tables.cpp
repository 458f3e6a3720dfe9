// The per-type property tables: every property an object type carries, what it accepts and its
// default. Behaviour lives in properties.cpp; this file is data.
#include <algorithm>
#include <cctype>

#include "graphics/model.hpp"

namespace kolvar::graphics::detail {

namespace {

PropSpec make(std::string n, Kind k, Value v, std::vector<std::string> cs = {}) {
  PropSpec s;
  s.name = std::move(n);
  s.kind = k;
  s.initial = std::move(v);
  s.choices = std::move(cs);
  return s;
}
PropSpec any(std::string n, Value v = Value()) { return make(std::move(n), Kind::Any, std::move(v)); }
PropSpec text(std::string n, std::string v = "") { return make(std::move(n), Kind::Text, Value(std::move(v))); }
PropSpec texts(std::string n) { return make(std::move(n), Kind::Texts, Value("")); }
PropSpec choice(std::string n, std::vector<std::string> cs, std::string initial = {}) {
  Value v(initial.empty() ? cs.front() : initial);
  return make(std::move(n), Kind::Choice, std::move(v), std::move(cs));
}
PropSpec onOff(std::string n, std::string initial) { return choice(std::move(n), {"on", "off"}, std::move(initial)); }
PropSpec number(std::string n, double v, Check c = Check::None) {
  PropSpec s = make(std::move(n), Kind::Number, Value(v));
  s.check = c;
  return s;
}
PropSpec vec(std::string n, std::vector<double> v, Check c = Check::None) {
  PropSpec s = make(std::move(n), Kind::Vector, Value(Matrix::row(v)));
  s.count = v.size();
  s.check = c;
  return s;
}
PropSpec numbers(std::string n, Matrix v = Matrix()) { return make(std::move(n), Kind::Numbers, Value(std::move(v))); }
PropSpec ticks(std::string n) { return make(std::move(n), Kind::Ticks, Value(Matrix())); }
PropSpec tickLabels(std::string n) { return make(std::move(n), Kind::TickLabels, Value("")); }
PropSpec color(std::string n, std::vector<double> rgb) { return make(std::move(n), Kind::Color, Value(Matrix::row(rgb))); }
PropSpec colorOr(std::string n, std::vector<std::string> cs, Value initial) {
  return make(std::move(n), Kind::ColorOrChoice, std::move(initial), std::move(cs));
}
PropSpec callback(std::string n, Value initial = Value()) { return make(std::move(n), Kind::Callback, std::move(initial)); }
PropSpec handleOf(std::string n, std::string type) {
  PropSpec s = make(std::move(n), Kind::HandleOrEmpty, Value(Matrix()));
  if (!type.empty()) s.choices = {std::move(type)};
  return s;
}
PropSpec readOnly(PropSpec s) {
  s.readOnly = true;
  return s;
}
PropSpec computed(PropSpec s, bool settable = false) {
  s.computed = true;
  s.readOnly = !settable;
  return s;
}

const std::vector<std::string> kUnits{"pixels", "normalized", "inches", "centimeters", "points"};
const std::vector<std::string> kColorWords{"none", "flat", "interp"};
const std::vector<double> kGrey{0.94, 0.94, 0.94};

// Every object: identity, tree, visibility, the callbacks of its life and of a click.
std::vector<PropSpec> common() {
  return {
      computed(make("Type", Kind::Text, Value(""))),
      computed(make("Parent", Kind::Any, Value())),
      computed(make("Children", Kind::Any, Value())),
      text("Tag"),
      any("UserData"),
      onOff("Visible", "on"),
      choice("HandleVisibility", {"on", "callback", "off"}),
      onOff("HitTest", "on"),
      callback("ButtonDownFcn"),
      callback("CreateFcn"),
      callback("DeleteFcn"),
      choice("BusyAction", {"queue", "cancel"}),
      onOff("Interruptible", "on"),
  };
}

std::vector<PropSpec> with(std::vector<PropSpec> own) {
  std::vector<PropSpec> all = common();
  for (auto& p : own) {
    auto same = std::find_if(all.begin(), all.end(), [&](const PropSpec& q) { return q.name == p.name; });
    if (same != all.end())
      *same = std::move(p);  // a type may give a common property another default
    else
      all.push_back(std::move(p));
  }
  return all;
}

std::vector<PropSpec> figureProps() {
  return with({
      text("Name"),
      onOff("NumberTitle", "on"),
      vec("Position", {680, 330, 560, 420}, Check::PositionSize),
      computed(vec("OuterPosition", {680, 330, 566, 444}, Check::PositionSize), true),
      choice("Units", kUnits),
      choice("ActivePositionProperty", {"outerposition", "position"}),
      color("Color", kGrey),
      callback("WindowButtonDownFcn"),
      callback("WindowButtonUpFcn"),
      callback("WindowButtonMotionFcn"),
      callback("WindowScrollWheelFcn"),
      callback("FileDropFcn"),
      // A figure's clock: while "TimerPeriod" is above 0 the window runs "TimerFcn" every so many
      // seconds (an animation); 0 stops it.
      callback("TimerFcn"),
      number("TimerPeriod", 0, Check::NonNegative),
      callback("KeyPressFcn"),
      callback("ResizeFcn"),
      callback("CloseRequestFcn", Value("closereq")),
      handleOf("CurrentAxes", "axes"),
      handleOf("CurrentObject", ""),
      readOnly(vec("CurrentPoint", {0, 0})),
      readOnly(choice("SelectionType", {"normal", "extend", "alt", "open"})),
      readOnly(any("CurrentModifier", Value::cellRow({}))),  // the keys held at the last mouse event
      choice("MenuBar", {"figure", "none"}),
      choice("ToolBar", {"auto", "figure", "none"}),
      onOff("Resize", "on"),
      text("FileName"),
      choice("PaperPositionMode", {"manual", "auto"}),
  });
}

std::vector<PropSpec> axesProps() {
  return with({
      vec("Position", {0.13, 0.11, 0.775, 0.815}, Check::PositionSize),
      vec("OuterPosition", {0, 0, 1, 1}, Check::PositionSize),
      choice("Units", kUnits, "normalized"),
      choice("ActivePositionProperty", {"outerposition", "position"}),
      vec("XLim", {0, 1}, Check::Increasing),
      vec("YLim", {0, 1}, Check::Increasing),
      vec("ZLim", {0, 1}, Check::Increasing),
      ticks("XTick"),
      ticks("YTick"),
      ticks("ZTick"),
      tickLabels("XTickLabel"),
      tickLabels("YTickLabel"),
      tickLabels("ZTickLabel"),
      onOff("XGrid", "off"),
      onOff("YGrid", "off"),
      onOff("ZGrid", "off"),
      onOff("Box", "off"),
      vec("View", {0, 90}),
      number("Zoom", 1, Check::Positive),  // magnifies the box about its centre; 1 fits it
      // on: what the axes holds shows only inside its rectangle, texts and their boxes cut at its
      // edge (a view that pans and zooms over a drawing larger than itself)
      onOff("ClipContent", "off"),
      text("XLabel"),
      text("YLabel"),
      text("ZLabel"),
      choice("Projection", {"orthographic", "perspective"}),
      choice("CameraViewAngleMode", {"auto", "manual"}),
      choice("DataAspectRatioMode", {"auto", "manual"}),
      choice("PlotBoxAspectRatioMode", {"auto", "manual"}),
      numbers("CurrentPoint", Matrix(2, 3)),  // settable, so a script can aim a click exactly
      colorOr("Color", {"none"}, Value(Matrix::row({1, 1, 1}))),
      color("XColor", {0.15, 0.15, 0.15}),
      color("YColor", {0.15, 0.15, 0.15}),
      color("ZColor", {0.15, 0.15, 0.15}),
      number("FontSize", 10, Check::Positive),
      text("FontName", "Helvetica"),
      number("LineWidth", 0.5, Check::Positive),
      choice("NextPlot", {"replace", "add", "replacechildren"}),
  });
}

std::vector<PropSpec> uicontrolProps() {
  return with({
      choice("Style", {"pushbutton", "checkbox", "popupmenu", "listbox", "text", "edit"}),
      texts("String"),
      numbers("Value", Matrix::scalar(0)),
      number("Min", 0),
      number("Max", 1),
      vec("Position", {20, 20, 60, 20}, Check::PositionSize),
      choice("Units", kUnits),
      callback("Callback"),
      callback("KeyPressFcn"),
      color("BackgroundColor", kGrey),
      color("ForegroundColor", {0, 0, 0}),
      choice("Enable", {"on", "off", "inactive"}),
      text("TooltipString"),
      number("FontSize", 9, Check::Positive),
      text("FontName", "Helvetica"),
      choice("FontWeight", {"normal", "bold"}),
      choice("HorizontalAlignment", {"left", "center", "right"}, "center"),
      number("ListboxTop", 1, Check::Positive),
      numbers("GreyedRows"),  // rows of a list shown greyed (steps undone in a log)
  });
}

std::vector<PropSpec> uimenuProps() {
  return with({
      text("Label"),
      callback("Callback"),
      text("Accelerator"),
      onOff("Separator", "off"),
      onOff("Checked", "off"),
      onOff("Enable", "on"),
      number("Position", 1, Check::Positive),
      color("ForegroundColor", {0, 0, 0}),
  });
}

std::vector<PropSpec> lineProps() {
  return with({
      numbers("XData", Matrix::row({0, 1})),
      numbers("YData", Matrix::row({0, 1})),
      numbers("ZData"),
      color("Color", {0, 0, 1}),
      number("LineWidth", 0.5, Check::Positive),
      choice("LineStyle", {"-", "--", ":", "-.", "none"}),
      choice("Marker", {"none", "o", "*", "+", "x", ".", "s", "d"}),
      number("MarkerSize", 6, Check::Positive),
      text("TooltipString"),
      colorOr("MarkerEdgeColor", {"none", "auto"}, Value("auto")),
      colorOr("MarkerFaceColor", {"none", "auto"}, Value("none")),
      onOff("Clipping", "on"),
  });
}

std::vector<PropSpec> patchProps() {
  return with({
      numbers("XData"),
      numbers("YData"),
      numbers("ZData"),
      numbers("CData"),
      colorOr("FaceColor", kColorWords, Value(Matrix::row({0, 0, 0}))),
      colorOr("EdgeColor", kColorWords, Value(Matrix::row({0, 0, 0}))),
      choice("FaceLighting", {"flat", "gouraud", "none"}),
      number("FaceAlpha", 1, Check::UnitInterval),
      number("EdgeAlpha", 1, Check::UnitInterval),
      text("TooltipString"),
      number("LineWidth", 0.5, Check::Positive),
      choice("LineStyle", {"-", "--", ":", "-.", "none"}),
      onOff("Clipping", "on"),
  });
}

std::vector<PropSpec> textProps() {
  return with({
      vec("Position", {0, 0, 0}),
      texts("String"),
      color("Color", {0, 0, 0}),
      number("FontSize", 10, Check::Positive),
      text("FontName", "Helvetica"),
      choice("FontWeight", {"normal", "bold"}),
      choice("HorizontalAlignment", {"left", "center", "right"}),
      choice("VerticalAlignment", {"middle", "top", "cap", "baseline", "bottom"}),
      colorOr("BackgroundColor", {"none"}, Value("none")),
      colorOr("EdgeColor", {"none"}, Value("none")),
      number("Margin", 2, Check::NonNegative),
      number("LineWidth", 0.5, Check::Positive),
      computed(vec("Extent", {0, 0, 0, 0})),
      text("TooltipString"),
      choice("Units", {"data"}),
      onOff("Clipping", "off"),
      // On: where it would overlap a text drawn before it in its axes that is also on, it is
      // drawn just below that one instead (labels of neighbouring pieces stay readable).
      onOff("Nudge", "off"),
  });
}

std::vector<PropSpec> lightProps() {
  return with({
      vec("Position", {1, 0, 1}),
      color("Color", {1, 1, 1}),
      choice("Style", {"infinite", "local"}),
  });
}

std::vector<PropSpec> rootProps() {
  std::vector<PropSpec> own{
      computed(make("Type", Kind::Text, Value(""))),
      computed(make("Parent", Kind::Any, Value())),
      computed(make("Children", Kind::Any, Value())),
      text("Tag"),
      any("UserData"),
      choice("HandleVisibility", {"on", "callback", "off"}),
      choice("Units", kUnits),
      computed(vec("ScreenSize", {1, 1, 1920, 1080})),
      computed(number("ScreenPixelsPerInch", 96)),
      computed(handleOf("CurrentFigure", "figure"), true),
      computed(make("CallbackObject", Kind::Any, Value())),
      onOff("ShowHiddenHandles", "off"),
  };
  return own;
}

// Root defaults: "Default" + type + property, with the target property's kind and default. A new
// object takes its initial value from the root's default when there is one.
void addRootDefaults(std::vector<PropSpec>& root, const std::vector<TypeTable>& tables) {
  const std::vector<std::pair<std::string, std::string>> defaults{
      {"figure", "Visible"}, {"figure", "Color"}, {"uicontrol", "BackgroundColor"},
      {"uicontrol", "FontSize"}, {"axes", "FontSize"}, {"text", "FontSize"},
  };
  for (const auto& [type, prop] : defaults)
    for (const auto& t : tables)
      if (t.type == type)
        for (const auto& p : t.props)
          if (p.name == prop) {
            PropSpec d = p;
            std::string typeName = type;
            typeName[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(typeName[0])));
            d.name = "Default" + typeName + prop;
            root.push_back(std::move(d));
          }
}

TypeTable makeTable(std::string type, std::vector<PropSpec> props) {
  TypeTable t{std::move(type), std::move(props), {}, {}, {}};
  for (std::size_t i = 0; i < t.props.size(); ++i) {
    t.index[lower(t.props[i].name)] = i;
    t.exact[t.props[i].name] = i;
  }
  return t;
}

std::vector<TypeTable> buildTables() {
  std::vector<TypeTable> tables;
  tables.push_back(makeTable("figure", figureProps()));
  tables.push_back(makeTable("axes", axesProps()));
  tables.push_back(makeTable("uicontrol", uicontrolProps()));
  tables.push_back(makeTable("uimenu", uimenuProps()));
  tables.push_back(makeTable("line", lineProps()));
  tables.push_back(makeTable("patch", patchProps()));
  tables.push_back(makeTable("text", textProps()));
  tables.push_back(makeTable("light", lightProps()));
  auto root = rootProps();
  addRootDefaults(root, tables);
  tables.push_back(makeTable("root", std::move(root)));
  const TypeTable& rootTable = tables.back();
  for (auto& t : tables) {
    std::string typeName = t.type;
    typeName[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(typeName[0])));
    for (std::size_t i = 0; i < t.props.size(); ++i)
      if (auto d = rootTable.exact.find("Default" + typeName + t.props[i].name); d != rootTable.exact.end())
        t.rootDefaults.emplace_back(i, d->second);
  }
  // Aliases: a menu's "Text" is its "Label".
  for (auto& t : tables)
    if (t.type == "uimenu") t.index["text"] = t.index.at("label");
  return tables;
}

const std::vector<TypeTable>& tables() {
  static const std::vector<TypeTable> all = buildTables();
  return all;
}

}  // namespace

const TypeTable* typeTable(std::string_view type) {
  for (const auto& t : tables())
    if (t.type == type) return &t;
  return nullptr;
}

std::optional<std::size_t> slotOf(const TypeTable& t, std::string_view name) {
  if (auto exact = t.exact.find(name); exact != t.exact.end()) return exact->second;
  // Any other spelling, lower-cased on the stack when short (every name the runtime knows is).
  char buf[64];
  if (name.size() <= sizeof buf) {
    for (std::size_t i = 0; i < name.size(); ++i) buf[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    auto it = t.index.find(std::string_view(buf, name.size()));
    if (it == t.index.end()) return std::nullopt;
    return it->second;
  }
  auto it = t.index.find(lower(name));
  if (it == t.index.end()) return std::nullopt;
  return it->second;
}

const std::vector<std::string>& creatableTypes() {
  static const std::vector<std::string> types{"figure", "axes",  "uicontrol", "uimenu",
                                              "line",   "patch", "text",      "light"};
  return types;
}

}  // namespace kolvar::graphics::detail
