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

std::vector<std::string> tickLabels(const Value& labels) {
  std::vector<std::string> out;
  if (labels.isEmpty()) return out;
  if (labels.isNumeric()) {
    for (double v : labels.matrix().data) out.push_back(tickLabelText(v));
  } else if (labels.isText()) {
    const std::string& s = labels.text();
    std::size_t start = 0;
    while (true) {
      std::size_t bar = s.find('|', start);
      out.push_back(s.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
  } else if (labels.isCell()) {
    for (std::size_t i = 0; i < labels.numel(); ++i) {
      const Value& item = labels.at(i);
      if (item.isText()) {
        out.push_back(item.text());
      } else if (item.isScalar()) {
        out.push_back(tickLabelText(item.scalar()));
      } else {
        out.emplace_back();
      }
    }
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
