#pragma once
// Where a text stands: its lines measured with the session's font metrics and its box placed
// around the anchor point by the text's alignment. The same placement serves the display list
// (what is painted) and "Extent" (what the program measures), so the two always agree.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/display_list.hpp"
#include "graphics/graphics.hpp"

namespace kolvar::graphics {

struct TextStyle {
  double fontSize = 10;  // points
  std::string fontName;
  HAlign horizontal = HAlign::Left;
  VAlign vertical = VAlign::Middle;
  double margin = 2;  // pixels between the text and its box
};

struct TextPlacement {
  Rect box;              // the text and its margin, figure pixels
  Point baseline;        // start of the first line's baseline (left edge of the text)
  double lineHeight = 0;
};

// The lines of a "String" value: a text (split at newlines), a list of texts (one line each), or
// a number (written shortest). Anything else, or empty: no lines.
std::vector<std::string> textLines(const Value& string);

std::optional<HAlign> horizontalAlignmentNamed(std::string_view name);  // "left", "center", "right"
// "top", "cap", "middle", "baseline", "bottom"
std::optional<VAlign> verticalAlignmentNamed(std::string_view name);

// Place `lines` at `anchor` (pixels, y downwards). The box is the widest line and all line
// heights plus the margin on every side; the alignment says which part of it sits on the anchor:
// left/center/right edge across; top, cap line of the first line, middle, baseline of the last
// line, or bottom edge up and down. No lines: an empty box of one line's height.
TextPlacement placeText(const std::vector<std::string>& lines, Point anchor, const TextStyle& style,
                        const FontMetrics& metrics);

// The display list's text primitive for `lines` placed at `anchor` with the session's font
// metrics, in colour `color`: text objects and tick labels alike.
Primitive textPrimitive(Handle source, const std::vector<std::string>& lines, Point anchor, const TextStyle& style,
                        Rgb color);

}  // namespace kolvar::graphics
