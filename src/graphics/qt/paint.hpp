#pragma once
// The one painting routine of the program: a display list onto any paint device (a window, an
// image, a printer, a PDF or SVG file). Coordinates are figure pixels; a device of another
// resolution gets a transform on the painter first, and everything, text included, scales with
// it, because fonts are sized in those pixels too.
#include <QFont>
#include <QPainter>
#include <QRegion>
#include <QStaticText>
#include <string>
#include <string_view>
#include <unordered_map>

#include "graphics/display_list.hpp"

namespace kolvar::graphics {

// The font for a text of `sizePoints` in family `name` (a common sans-serif when the family is
// not installed), sized in pixels so that it measures the same on every device.
QFont fontFor(std::string_view name, double sizePoints);

// Texts laid out once and kept between paints: a window paints the same captions and tick labels
// again and again, and laying a line of text out (shaping it) costs more than drawing it. Keeps
// at most a few thousand lines, then starts afresh.
class TextLayouts {
 public:
  struct Font {
    QFont font;
    double ascent = 0;
  };
  struct Line {
    QStaticText text;
    double width = 0;  // the advance of the whole line
  };
  const Font& font(std::string_view name, double sizePoints);
  const Line& line(const Font& font, std::string_view name, double sizePoints, std::string_view text);

 private:
  static constexpr std::size_t kKeptLines = 4096;
  std::unordered_map<std::string, Font> fonts_;
  std::unordered_map<std::string, Line> lines_;
};

// Paint `list` antialiased: its background over [0, width] x [0, height], then its items in
// order. The painter's state is left as it was found. With `only`, just the part of the list
// within that region: items that lie wholly outside it are passed over (a window repainting the
// axes that changed need not lay out the texts of another). `layouts` keeps the texts laid out
// for the next paint; without it they are laid out for this one only.
void paintDisplayList(QPainter& painter, const DisplayList& list, const QRegion* only = nullptr,
                      TextLayouts* layouts = nullptr);

}  // namespace kolvar::graphics
