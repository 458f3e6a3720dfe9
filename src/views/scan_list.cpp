#include "views/views.hpp"

namespace kolvar::views {

namespace g = kolvar::graphics;

void updateScanList(Handle list, const bsp::BspElement& element) {
  if (!element.poly) return;  // the walk visits only nodes that hold a polygon
  const Value current = g::get(list, "String");
  const std::string& label = element.poly->label;
  if (current.isEmpty()) {
    g::set(list, "String", label);
    return;
  }
  std::vector<Value> lines;
  if (current.isCell()) {
    lines = current.cell().items;
  } else {
    lines.push_back(current);  // a single text is one line
  }
  lines.emplace_back(label);
  g::set(list, "String", Value::cellColumn(std::move(lines)));
}

void showScanList(Handle list, const std::vector<const bsp::BspElement*>& elements) {
  std::vector<Value> lines;
  for (const bsp::BspElement* e : elements)
    if (e->poly) lines.emplace_back(e->poly->label);
  if (lines.empty()) {
    g::set(list, "String", "");
  } else if (lines.size() == 1) {
    g::set(list, "String", lines[0]);
  } else {
    g::set(list, "String", Value::cellColumn(std::move(lines)));
  }
}

}  // namespace kolvar::views
