#pragma once
// A figure as a flat, ordered list of 2-D primitives in pixels (origin at the top-left of the
// figure's client area, y downwards), each remembering the object it came from. Later items lie
// on top of earlier ones. One painting routine (graphics/qt) draws it onto any paint device;
// hit testing walks it from the top.
#include <string>
#include <vector>

namespace kolvar::graphics {

using Handle = double;

struct Point {
  double x = 0;
  double y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  double x = 0;  // left
  double y = 0;  // top
  double width = 0;
  double height = 0;
  bool contains(Point p) const { return p.x >= x && p.x <= x + width && p.y >= y && p.y <= y + height; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Rgb {
  double r = 0, g = 0, b = 0;  // 0..1
  double a = 1;                // opacity: 1 covers what lies behind, 0 leaves it showing
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Cap, Middle, Baseline, Bottom };

struct Primitive {
  enum class Kind {
    Face,     // filled polygon `points`, colour `fill` (already lit), optional edge `stroke`
              // along the edges flagged in `edges` (all of them when `edges` is empty)
    Line,     // polyline `points`, colour `stroke`, `lineWidth`
    Marker,   // one marker per point of `points`: `marker` ("o", "*", "+", "x", ".", "s", "d")
    Text,     // `text` (lines separated by '\n') in colour `stroke`, drawn in `box` with the
              // alignment already applied; optional background and edge
    Rect,     // a filled and/or stroked rectangle `box` (axes background, figure areas)
  };
  Kind kind = Kind::Line;
  Handle source = 0;  // the object this came from; an axes for its box, grid, ticks and labels

  std::vector<Point> points;
  std::vector<bool> edges;  // Face: edge i runs from point i to point i+1 (the last one closes)
  Rgb fill;
  bool filled = false;
  Rgb stroke;
  bool stroked = false;
  double lineWidth = 0.5;  // points
  std::string lineStyle = "-";

  std::string marker;  // Marker
  double markerSize = 6;
  Rgb markerFace;
  bool markerFilled = false;

  std::string text;  // Text
  double fontSize = 10;
  std::string fontName;
  Rect box;          // Text: the box around the text including its margin; Rect: the rectangle
  Point baseline;    // Text: where the first character's baseline starts
  double lineHeight = 0;  // Text: distance between the baselines of successive lines
  double margin = 0;      // Text: space between the text and the box's sides, pixels
  HAlign align = HAlign::Left;  // Text: how lines of different widths line up in the box
  Rgb background;
  bool hasBackground = false;
  Rgb edge;
  bool hasEdge = false;

  bool clipped = false;  // clip to `clip` (the axes' plot area)
  Rect clip;
};

struct DisplayList {
  double width = 0;
  double height = 0;
  Rgb background{0.94, 0.94, 0.94};
  std::vector<Primitive> items;
};

}  // namespace kolvar::graphics
