#include "graphics/svg.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>

namespace kolvar::graphics {

namespace {

std::string number(double x) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", std::abs(x) < 1e-9 ? 0.0 : x);
  return buf;
}

std::string colour(const Rgb& c) {
  auto channel = [](double x) { return static_cast<int>(std::lround(std::clamp(x, 0.0, 1.0) * 255)); };
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", channel(c.r), channel(c.g), channel(c.b));
  return buf;
}

std::string escaped(const std::string& text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += ch;
    }
  }
  return out;
}

std::string pointsOf(const std::vector<Point>& pts) {
  std::string out;
  for (std::size_t i = 0; i < pts.size(); ++i) out += (i ? " " : "") + number(pts[i].x) + "," + number(pts[i].y);
  return out;
}

// The stroke attributes of a pen: colour, opacity, width in pixels, dashes.
std::string stroke(const Rgb& c, double widthPoints, const std::string& style) {
  const double w = std::max(widthPoints, 0.0) * kPixelsPerPoint;
  std::string out = " stroke=\"" + colour(c) + "\" stroke-width=\"" + number(w) + "\"";
  if (c.a < 1) out += " stroke-opacity=\"" + number(c.a) + "\"";
  if (style == "--") out += " stroke-dasharray=\"" + number(4 * w) + "," + number(2 * w) + "\"";
  if (style == ":") out += " stroke-dasharray=\"" + number(w) + "," + number(2 * w) + "\"";
  if (style == "-.") out += " stroke-dasharray=\"" + number(4 * w) + "," + number(2 * w) + "," + number(w) + "," + number(2 * w) + "\"";
  return out;
}

std::string fill(const Rgb& c) {
  std::string out = " fill=\"" + colour(c) + "\"";
  if (c.a < 1) out += " fill-opacity=\"" + number(c.a) + "\"";
  return out;
}

void face(std::ostream& out, const Primitive& p) {
  if (p.points.size() < 3) return;
  const bool partial = p.stroked && p.edges.size() == p.points.size();
  out << "<polygon points=\"" << pointsOf(p.points) << "\"" << (p.filled ? fill(p.fill) : " fill=\"none\"");
  if (p.stroked && !partial && p.lineStyle != "none") {
    out << stroke(p.stroke, p.lineWidth, p.lineStyle) << " stroke-linejoin=\"round\"";
  } else if (p.filled && p.fill.a >= 1) {
    // The seam closer: a hairline of the face's own colour between pieces of one surface.
    out << " stroke=\"" << colour(p.fill) << "\" stroke-width=\"0.5\"";
  }
  out << "/>\n";
  if (!partial) return;
  const std::size_t n = p.points.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (!p.edges[i]) continue;
    const Point a = p.points[i], b = p.points[(i + 1) % n];
    out << "<line x1=\"" << number(a.x) << "\" y1=\"" << number(a.y) << "\" x2=\"" << number(b.x) << "\" y2=\""
        << number(b.y) << "\"" << stroke(p.stroke, p.lineWidth, p.lineStyle) << "/>\n";
  }
}

void markers(std::ostream& out, const Primitive& p) {
  const Annotation& a = p.annotation();
  const double r = a.markerSize * kPixelsPerPoint / 2;
  const std::string pen = p.stroked ? stroke(p.stroke, p.lineWidth, "-") : std::string(" stroke=\"none\"");
  const std::string brush = a.markerFilled ? fill(a.markerFace) : std::string(" fill=\"none\"");
  for (const Point& c : p.points) {
    const std::string x = number(c.x), y = number(c.y);
    if (a.marker == ".") {
      if (p.stroked) out << "<circle cx=\"" << x << "\" cy=\"" << y << "\" r=\"" << number(r / 3) << "\"" << fill(p.stroke) << "/>\n";
    } else if (a.marker == "o") {
      out << "<circle cx=\"" << x << "\" cy=\"" << y << "\" r=\"" << number(r) << "\"" << pen << brush << "/>\n";
    } else if (a.marker == "s") {
      out << "<rect x=\"" << number(c.x - r) << "\" y=\"" << number(c.y - r) << "\" width=\"" << number(2 * r)
          << "\" height=\"" << number(2 * r) << "\"" << pen << brush << "/>\n";
    } else if (a.marker == "d") {
      out << "<polygon points=\"" << pointsOf({{c.x, c.y - r}, {c.x + r, c.y}, {c.x, c.y + r}, {c.x - r, c.y}}) << "\""
          << pen << brush << "/>\n";
    } else {
      std::string d;
      auto segment = [&](double x1, double y1, double x2, double y2) {
        d += "M" + number(x1) + "," + number(y1) + "L" + number(x2) + "," + number(y2);
      };
      if (a.marker == "+" || a.marker == "*") {
        segment(c.x - r, c.y, c.x + r, c.y);
        segment(c.x, c.y - r, c.x, c.y + r);
      }
      if (a.marker == "x" || a.marker == "*") {
        const double k = a.marker == "*" ? r * std::sqrt(0.5) : r;
        segment(c.x - k, c.y - k, c.x + k, c.y + k);
        segment(c.x - k, c.y + k, c.x + k, c.y - k);
      }
      if (!d.empty()) out << "<path d=\"" << d << "\"" << pen << " fill=\"none\"/>\n";
    }
  }
}

void text(std::ostream& out, const Primitive& p) {
  const Annotation& a = p.annotation();
  const Rect& b = p.box;
  if (a.hasBackground || a.hasEdge)
    out << "<rect x=\"" << number(b.x) << "\" y=\"" << number(b.y) << "\" width=\"" << number(b.width)
        << "\" height=\"" << number(b.height) << "\"" << (a.hasBackground ? fill(a.background) : " fill=\"none\"")
        << (a.hasEdge ? stroke(a.edge, p.lineWidth, "-") : std::string()) << "/>\n";
  if (a.text.empty() || !p.stroked) return;
  const char* anchor = a.align == HAlign::Left ? "start" : a.align == HAlign::Center ? "middle" : "end";
  const double x = a.align == HAlign::Left ? a.baseline.x : a.align == HAlign::Center ? b.x + b.width / 2 : b.x + b.width - a.margin;
  std::istringstream lines(a.text);
  double y = a.baseline.y;
  for (std::string line; std::getline(lines, line); y += a.lineHeight)
    out << "<text x=\"" << number(x) << "\" y=\"" << number(y) << "\" font-family=\""
        << escaped(a.fontName.empty() ? std::string("sans-serif") : a.fontName) << ", sans-serif\" font-size=\""
        << number(a.fontSize * kPixelsPerPoint) << "\" text-anchor=\"" << anchor << "\"" << fill(p.stroke) << ">"
        << escaped(line) << "</text>\n";
}

// Whether anything of `p` can show inside `area`.
bool reaches(const Primitive& p, const Rect& area) {
  Rect b = p.box;
  if (p.kind != Primitive::Kind::Text && p.kind != Primitive::Kind::Rect) {
    if (p.points.empty()) return false;
    double x0 = p.points[0].x, x1 = x0, y0 = p.points[0].y, y1 = y0;
    for (const Point& q : p.points) {
      x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
    }
    const double pad = p.kind == Primitive::Kind::Marker ? p.annotation().markerSize * kPixelsPerPoint : p.lineWidth * kPixelsPerPoint;
    b = {x0 - pad, y0 - pad, x1 - x0 + 2 * pad, y1 - y0 + 2 * pad};
  }
  return b.x <= area.x + area.width && area.x <= b.x + b.width && b.y <= area.y + area.height && area.y <= b.y + b.height;
}

}  // namespace

std::string svgDocument(const DisplayList& list, const Rect& area) {
  std::ostringstream out;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << number(area.width) << "\" height=\""
      << number(area.height) << "\" viewBox=\"" << number(area.x) << " " << number(area.y) << " "
      << number(area.width) << " " << number(area.height) << "\">\n"
      << "<rect x=\"" << number(area.x) << "\" y=\"" << number(area.y) << "\" width=\"" << number(area.width)
      << "\" height=\"" << number(area.height) << "\"" << fill(list.background) << "/>\n";
  int clips = 0;
  std::optional<Rect> open;  // the clip of the group the items go into now
  for (const Primitive& p : list.items) {
    if (!reaches(p, area)) continue;  // another view's
    // Primitives cut to their axes' rectangle go into a group with that clip path: one group
    // for a run of items cut alike (all the items of a view).
    const std::optional<Rect> clip = p.clipped ? std::optional<Rect>(p.clip) : std::nullopt;
    if (clip != open) {
      if (open) out << "</g>\n";
      open = clip;
      if (clip) {
        ++clips;
        out << "<clipPath id=\"c" << clips << "\"><rect x=\"" << number(clip->x) << "\" y=\"" << number(clip->y)
            << "\" width=\"" << number(clip->width) << "\" height=\"" << number(clip->height) << "\"/></clipPath>\n"
            << "<g clip-path=\"url(#c" << clips << ")\">\n";
      }
    }
    switch (p.kind) {
      case Primitive::Kind::Face: face(out, p); break;
      case Primitive::Kind::Line:
        if (p.stroked && p.points.size() >= 2 && p.lineStyle != "none")
          out << "<polyline points=\"" << pointsOf(p.points) << "\" fill=\"none\""
              << stroke(p.stroke, p.lineWidth, p.lineStyle) << " stroke-linejoin=\"round\"/>\n";
        break;
      case Primitive::Kind::Marker: markers(out, p); break;
      case Primitive::Kind::Text: text(out, p); break;
      case Primitive::Kind::Rect:
        out << "<rect x=\"" << number(p.box.x) << "\" y=\"" << number(p.box.y) << "\" width=\"" << number(p.box.width)
            << "\" height=\"" << number(p.box.height) << "\"" << (p.filled ? fill(p.fill) : " fill=\"none\"")
            << (p.stroked ? stroke(p.stroke, p.lineWidth, p.lineStyle) : std::string()) << "/>\n";
        break;
    }
  }
  if (open) out << "</g>\n";
  out << "</svg>\n";
  return out.str();
}

}  // namespace kolvar::graphics
