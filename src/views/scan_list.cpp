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

}  // namespace kolvar::views
