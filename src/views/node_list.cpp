#include "views/palette.hpp"
#include "views/partition.hpp"
#include "views/views.hpp"

namespace kolvar::views {

namespace g = kolvar::graphics;

namespace {

// The pale-red connector from a node down to one of its waiting lists.
void drawListConnector(double x, double y, double cx, double cy) {
  g::line(Matrix::row({x, cx}), Matrix::row({y, cy}), Matrix(),
          {{"Color", Value::row({0.9, 0.7, 0.7})}, {"HitTest", "off"}});
}

}  // namespace

void bspPlotElement(const diagram::NodePos& pos, const bsp::BspElement& element, const Value& itemClick) {
  const auto [x, dx, y, dy] = pos;
  if (!element.front.empty()) {
    const double cx = x - dx / 2, cy = y - dy;
    drawListConnector(x, y, cx, cy);
    bspPlotList({cx, dx, cy, dy}, element.front, itemClick);
  }
  if (!element.back.empty()) {
    const double cx = x + dx / 2, cy = y - dy;
    drawListConnector(x, y, cx, cy);
    bspPlotList({cx, dx, cy, dy}, element.back, itemClick);
  }
  // The caption comes last, on top of every line that meets the node.
  if (!element.poly) {
    const Handle disc = g::line(Matrix::row({x}), Matrix::row({y}), Matrix(),
                                {{"Marker", "o"}, {"MarkerFaceColor", "w"}});
    g::set(disc, "HitTest", "off");
  } else {
    const std::string& label = element.poly->label;
    const Handle caption = g::text(x, y, label.empty() ? std::string("no label") : label);
    g::set(caption, "HitTest", "off");
    g::set(caption, {{"BackgroundColor", "w"}, {"EdgeColor", "b"}, {"HorizontalAlignment", "center"}});
  }
}

void bspPlotList(const diagram::NodePos& pos, const bsp::PolygonList& polyList, const Value& itemClick) {
  if (polyList.empty()) return;
  const double x = pos[0];
  double y = pos[2];
  const Value list = polygonListValue(polyList);
  for (std::size_t i = 0; i < polyList.size(); ++i) {
    const Handle item = g::text(x, y, polyList[i]->label, {{"BackgroundColor", "w"}});
    g::set(item, "UserData", Value::cellRow({Value(static_cast<double>(i + 1)), list}));
    g::set(item, "ButtonDownFcn", itemClick);
    g::set(item, "HitTest", "on");
    // The next item stands directly below this one.
    y -= g::get(item, "Extent").matrix()[3];
  }
}

}  // namespace kolvar::views

namespace kolvar::views {

namespace {

Value colourValue(const Rgb& c) { return Value::row({c[0], c[1], c[2]}); }

// The pale-red connector from a node to a waiting list, with its side's letter at the middle as
// the edges to the children carry theirs.
void drawLabelledConnector(double x, double y, double cx, double cy, bool front) {
  g::line(Matrix::row({x, cx}), Matrix::row({y, cy}), Matrix(),
          {{"Color", Value::row({0.9, 0.7, 0.7})}, {"HitTest", "off"}});
  const Handle t = g::text((x + cx) / 2, (y + cy) / 2, front ? "f" : "b");
  g::set(t, {{"HitTest", "off"},
             {"Color", Value::row({0.75, 0.45, 0.45})},
             {"HorizontalAlignment", front ? "right" : "left"},
             {"VerticalAlignment", "bottom"}});
}

}  // namespace

void bspPlotElement(const diagram::NodePos& pos, const bsp::BspElement& element, const Callbacks& callbacks,
                    const Focus& focus) {
  const auto [x, dx, y, dy] = pos;
  for (bool front : {true, false}) {
    const bsp::PolygonList& list = front ? element.front : element.back;
    if (list.empty()) continue;
    const double cx = front ? x - dx / 2 : x + dx / 2, cy = y - dy;
    drawLabelledConnector(x, y, cx, cy, front);
    const std::size_t first = g::childrenOf(g::gca()).size();
    bspPlotList({cx, dx, cy, dy}, list, callbacks.itemClick);
    // The items look like what they are: buttons, with the one under the pointer lit.
    const auto children = g::childrenOf(g::gca());
    for (std::size_t i = first; i < children.size(); ++i) {
      const Handle item = children[i];
      const bool hovered = focus.preview && list[i - first].get() == focus.preview->splitter;
      g::set(item, {{"EdgeColor", Value::row({0.75, 0.78, 0.9})},
                    {"TooltipString", "Click to make " + list[i - first]->label + " the next splitter"}});
      if (hovered) g::set(item, "BackgroundColor", colourValue(kHighlightColour));
    }
  }
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

}  // namespace kolvar::views
