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

