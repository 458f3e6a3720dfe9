#include "graphics/ticks.hpp"

#include <cmath>
#include <cstdio>

namespace kolvar::graphics {

std::string tickLabelText(double value) {
  if (value == 0) return "0";
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Inf" : "-Inf";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.5g", value);
  return buf;
}

std::vector<std::string> splitText(const std::string& s, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = s.find(separator, start);
    parts.push_back(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

std::vector<std::string> cellLines(const Value& cell) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < cell.numel(); ++i) {
    const Value& item = cell.at(i);
    if (item.isText()) {
      lines.push_back(item.text());
    } else if (item.isScalar()) {
      lines.push_back(tickLabelText(item.scalar()));
    } else {
      lines.emplace_back();
    }
  }
  return lines;
}

std::vector<std::string> tickLabels(const Value& labels) {
  std::vector<std::string> out;
  if (labels.isEmpty()) return out;
  if (labels.isNumeric()) {
    for (double v : labels.matrix().data) out.push_back(tickLabelText(v));
  } else if (labels.isText()) {
    out = splitText(labels.text(), '|');
  } else if (labels.isCell()) {
    out = cellLines(labels);
  }
  return out;
}

std::vector<Tick> axisTicks(const Value& ticks, const std::vector<std::string>& labels, double lo,
                            double hi, bool autoLabels) {
  std::vector<Tick> out;
  if (!ticks.isNumeric()) return out;
  const std::vector<double>& values = ticks.matrix().data;
  double slack = 1e-9 * std::max(1.0, std::abs(hi - lo));
  for (std::size_t i = 0; i < values.size(); ++i) {
    double v = values[i];
    if (!std::isfinite(v) || v < lo - slack || v > hi + slack) continue;
    Tick t;
    t.value = v;
    if (!labels.empty()) {
      t.label = labels[i % labels.size()];
    } else if (autoLabels) {
      t.label = tickLabelText(v);
    }
    out.push_back(std::move(t));
  }
  return out;
}

}  // namespace kolvar::graphics
