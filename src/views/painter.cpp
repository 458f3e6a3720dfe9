#include "views/painter.hpp"

#include "views/palette.hpp"

namespace kolvar::views {

namespace g = kolvar::graphics;

std::size_t drawPainted(const Picture& p) {
  std::size_t k = 0;
  bool reached = false;
  const PieceColours colourOf(p.scene);
  bsp::bspFarToNear(p.scanner, p.root, [&](const bsp::BspElement& e) {
    if (reached) return;
    ++k;
    // Each in its own colour, as the whole partition shows it; the one painted last outlined.
    const Rgb c = colourOf(e.poly->label);
    reached = e.poly == p.painted->poly;
    plotPolygon(e.poly, p.options, Value::row({c[0], c[1], c[2]}), reached);
  });
  return reached ? k : 0;
}

void markVisited(const diagram::NodePos& pos, const bsp::BspElement& e, const bsp::Vec3& scanner) {
  const auto [x, dx, y, dy] = pos;
  const std::string& label = e.poly->label;
  const Handle caption = g::text(x, y, label.empty() ? std::string("no label") : label);
  g::set(caption, {{"HitTest", "off"},
                   {"BackgroundColor", Value::row({1, 0.9, 0.3})},
                   {"EdgeColor", Value::row({0.85, 0.1, 0.1})},
                   {"LineWidth", 2.0},
                   {"FontWeight", "bold"},
                   {"HorizontalAlignment", "center"}});
  // A viewer on the plane counts as in front, as in the walk.
  const bool behind = bsp::behind(scanner, *e.poly);
  const std::string note = std::string("scanner ") + (behind ? "behind " : "in front of ") + label + ": draw " + label +
                           "'s " + (behind ? "front" : "back") + " side first";
  const Handle t = g::text(x, y + dy * 0.4, note);
  g::set(t, {{"HitTest", "off"},
             {"Color", Value::row({0.85, 0.1, 0.1})},
             {"BackgroundColor", "w"},
             {"HorizontalAlignment", "center"},
             {"VerticalAlignment", "bottom"}});
}

}  // namespace kolvar::views
