#pragma once
// Text sizes from Qt's font metrics, for the model's text extents and layout. They use the same
// fonts as the painting routine, so a text's measured box is the box it is painted in.
#include <map>
#include <string>
#include <utility>

#include <QFontMetricsF>

#include "graphics/graphics.hpp"

namespace kolvar::graphics {

class QtFontMetrics : public FontMetrics {
 public:
  // One line of text (a newline starts another line: the width is the widest line's, the height
  // the line spacing times the number of lines).
  TextSize measure(std::string_view text, double fontSizePoints, std::string_view fontName) const override;

 private:
  const QFontMetricsF& metricsFor(std::string_view name, double sizePoints) const;
  // Fonts already looked up: finding a font is slow next to measuring with it.
  mutable std::map<std::pair<std::string, int>, QFontMetricsF> cache_;
};

}  // namespace kolvar::graphics
