#include "graphics/qt/font_metrics.hpp"

#include <QString>
#include <algorithm>
#include <cmath>

#include "graphics/qt/paint.hpp"

namespace kolvar::graphics {

const QFontMetricsF& QtFontMetrics::metricsFor(std::string_view name, double sizePoints) const {
  const QFont font = fontFor(name, sizePoints);
  auto key = std::make_pair(std::string(name), font.pixelSize());
  auto it = cache_.find(key);
  if (it == cache_.end()) it = cache_.emplace(key, QFontMetricsF(font)).first;
  return it->second;
}

TextSize QtFontMetrics::measure(std::string_view text, double fontSizePoints, std::string_view fontName) const {
  const QFontMetricsF& m = metricsFor(fontName, fontSizePoints);
  double widest = 0;
  int lines = 0;
  for (const QString& line : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).split('\n')) {
    widest = std::max(widest, m.horizontalAdvance(line));
    ++lines;
  }
  return {widest, m.lineSpacing() * lines, m.ascent()};
}

}  // namespace kolvar::graphics
