#include "graphics/text_extent.hpp"

#include <algorithm>

#include "graphics/ticks.hpp"

namespace kolvar::graphics {

namespace {
// The cap line (top of the capitals) lies this far up the ascent: fonts keep some room above
// capitals for accents.
constexpr double kCapShare = 0.75;
}  // namespace

std::vector<std::string> textLines(const Value& string) {
  std::vector<std::string> lines;
  if (string.isText()) {
    lines = splitText(string.text(), '\n');
  } else if (string.isCell()) {
    lines = cellLines(string);
  } else if (string.isNumeric()) {
    for (double v : string.matrix().data) lines.push_back(formatShortest(v));
  }
  return lines;
}

std::optional<HAlign> horizontalAlignmentNamed(std::string_view name) {
  if (name == "left") return HAlign::Left;
  if (name == "center") return HAlign::Center;
  if (name == "right") return HAlign::Right;
  return std::nullopt;
}

std::optional<VAlign> verticalAlignmentNamed(std::string_view name) {
  if (name == "top") return VAlign::Top;
  if (name == "cap") return VAlign::Cap;
  if (name == "middle") return VAlign::Middle;
  if (name == "baseline") return VAlign::Baseline;
  if (name == "bottom") return VAlign::Bottom;
  return std::nullopt;
}

TextPlacement placeText(const std::vector<std::string>& lines, Point anchor, const TextStyle& style,
                        const FontMetrics& metrics) {
  double width = 0;
  double lineHeight = 0;
  double ascent = 0;
  if (lines.empty()) {
    TextSize s = metrics.measure("", style.fontSize, style.fontName);
    lineHeight = s.height;
    ascent = s.ascent;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    TextSize s = metrics.measure(lines[i], style.fontSize, style.fontName);
    width = std::max(width, s.width);
    lineHeight = std::max(lineHeight, s.height);
    if (i == 0) ascent = s.ascent;
  }
  std::size_t count = std::max<std::size_t>(lines.size(), 1);
  double m = std::max(0.0, style.margin);
  double textHeight = lineHeight * static_cast<double>(count);
  double boxW = lines.empty() ? 2 * m : width + 2 * m;
  double boxH = textHeight + 2 * m;

  TextPlacement out;
  out.lineHeight = lineHeight;
  out.box.width = boxW;
  out.box.height = boxH;
  switch (style.horizontal) {
    case HAlign::Left: out.box.x = anchor.x; break;
    case HAlign::Center: out.box.x = anchor.x - boxW / 2; break;
    case HAlign::Right: out.box.x = anchor.x - boxW; break;
  }
  // Each line's baseline lies `ascent` below the top of its line.
  double lastBaselineFromTop = m + lineHeight * static_cast<double>(count - 1) + ascent;
  switch (style.vertical) {
    case VAlign::Top: out.box.y = anchor.y; break;
    case VAlign::Cap: out.box.y = anchor.y - m - ascent * (1 - kCapShare); break;
    case VAlign::Middle: out.box.y = anchor.y - boxH / 2; break;
    case VAlign::Baseline: out.box.y = anchor.y - lastBaselineFromTop; break;
    case VAlign::Bottom: out.box.y = anchor.y - boxH; break;
  }
  out.baseline = {out.box.x + m, out.box.y + m + ascent};
  return out;
}

Primitive textPrimitive(Handle source, const std::vector<std::string>& lines, Point anchor, const TextStyle& style,
                        Rgb color) {
  TextPlacement place = placeText(lines, anchor, style, backend().fontMetrics());
  Primitive p;
  p.kind = Primitive::Kind::Text;
  p.source = source;
  p.box = place.box;
  Annotation& a = p.annotation();
  for (std::size_t i = 0; i < lines.size(); ++i) a.text += (i ? "\n" : "") + lines[i];
  a.fontSize = style.fontSize;
  a.fontName = style.fontName;
  a.baseline = place.baseline;
  a.lineHeight = place.lineHeight;
  a.margin = style.margin;
  a.align = style.horizontal;
  p.stroke = color;
  p.stroked = true;
  return p;
}

}  // namespace kolvar::graphics
