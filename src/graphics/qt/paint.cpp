#include "graphics/qt/paint.hpp"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPen>
#include <QPolygonF>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <utility>

namespace kolvar::graphics {

namespace {

QColor qcolor(const Rgb& c) {
  auto channel = [](double x) { return static_cast<float>(std::clamp(x, 0.0, 1.0)); };
  return QColor::fromRgbF(channel(c.r), channel(c.g), channel(c.b), channel(c.a));
}

Qt::PenStyle penStyle(const std::string& style) {
  if (style == "--") return Qt::DashLine;
  if (style == ":") return Qt::DotLine;
  if (style == "-.") return Qt::DashDotLine;
  if (style == "none") return Qt::NoPen;
  return Qt::SolidLine;
}

QRectF rect(const Rect& r) { return QRectF(r.x, r.y, r.width, r.height); }

// The painter with the pen and brush it was last given here. Most primitives of an axes share
// their outline pen, and a QPen or QBrush made afresh for each one costs an allocation and, in
// the paint engine, a state update even when nothing changed; so they are set only on change.
// The points of each polygon go through one buffer for the same reason.
class Canvas {
 public:
  explicit Canvas(QPainter& p) : p_(p) {}
  QPainter& painter() { return p_; }

  // An outline pen: `widthPoints` wide, flat caps, round joins unless `miter`.
  void pen(const Rgb& color, double widthPoints, Qt::PenStyle style = Qt::SolidLine, bool miter = false) {
    const PenKey key{color, widthPoints, style, miter, false, false};
    if (pen_ && *pen_ == key) return;
    QPen q(qcolor(color), std::max(widthPoints, 0.0) * kPixelsPerPoint, style);
    q.setCapStyle(Qt::FlatCap);
    q.setJoinStyle(miter ? Qt::MiterJoin : Qt::RoundJoin);
    p_.setPen(q);
    pen_ = key;
  }
  // A pen of `widthPixels` in device-independent pixels with mitred joins: the seam closer.
  void seam(const Rgb& color, double widthPixels) {
    const PenKey key{color, widthPixels, Qt::SolidLine, true, true, false};
    if (pen_ && *pen_ == key) return;
    QPen q(qcolor(color), widthPixels);
    q.setJoinStyle(Qt::MiterJoin);
    p_.setPen(q);
    pen_ = key;
  }
  void noPen() {
    if (pen_ && pen_->none) return;
    p_.setPen(Qt::NoPen);
    pen_ = PenKey{{}, 0, Qt::NoPen, false, false, true};
  }
  void brush(const Rgb& color) {
    if (brush_ && *brush_ == color) return;
    p_.setBrush(qcolor(color));
    brush_ = color;
  }
  void noBrush() {
    if (brush_ && !*brush_) return;
    p_.setBrush(Qt::NoBrush);
    brush_ = std::optional<Rgb>{};
  }
  // After the painter's state was changed behind this object's back (restore, text).
  void forget() {
    pen_.reset();
    brush_.reset();
  }

  QPolygonF& points(const std::vector<Point>& pts) {
    buffer_.resize(static_cast<qsizetype>(pts.size()));
    for (std::size_t i = 0; i < pts.size(); ++i) buffer_[static_cast<qsizetype>(i)] = QPointF(pts[i].x, pts[i].y);
    return buffer_;
  }
  QPolygonF& buffer() { return buffer_; }
  QPolygonF& second() { return second_; }

 private:
  struct PenKey {
    Rgb color;
    double width = 0;
    Qt::PenStyle style = Qt::SolidLine;
    bool miter = false;
    bool seam = false;  // `width` in pixels, square caps
    bool none = false;
    bool operator==(const PenKey&) const = default;
  };
  QPainter& p_;
  std::optional<PenKey> pen_;                 // nothing: unknown
  std::optional<std::optional<Rgb>> brush_;   // nothing: unknown; an empty colour: no brush
  QPolygonF buffer_;
  QPolygonF second_;
};

// Whether points span less than 3 pixels each way.
bool tiny(const std::vector<Point>& points) {
  constexpr double kTinyPx = 3;
  const Rect r = boundsOf(points);
  return r.width < kTinyPx && r.height < kTinyPx;
}

// Of a polygon seen edge-on (less than half a pixel of area), the two points farthest apart
// along the longer side of its box: the line it shows as. Nothing for one with an inside.
std::optional<std::pair<Point, Point>> thinEnds(const std::vector<Point>& points) {
  if (!(std::abs(twiceArea(points)) < 1)) return std::nullopt;
  const Rect box = boundsOf(points);
  const bool across = box.width >= box.height;
  const auto key = [&](const Point& q) { return across ? q.x : q.y; };
  const auto [lo, hi] = std::minmax_element(points.begin(), points.end(),
                                            [&](const Point& a, const Point& b) { return key(a) < key(b); });
  return std::pair{*lo, *hi};
}

// The part of `poly` between the rows y0 and y1 (y0 < y1), into `out`.
void cutRows(const QPolygonF& poly, double y0, double y1, QPolygonF& out) {
  out.clear();
  const qsizetype n = poly.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QPointF a = poly[i];
    const QPointF b = poly[(i + 1) % n];
    // Where the edge a-b crosses the row y, when it does.
    auto cross = [&](double y) {
      const double t = (y - a.y()) / (b.y() - a.y());
      out << QPointF(a.x() + t * (b.x() - a.x()), y);
    };
    if (a.y() >= y0 && a.y() <= y1) out << a;
    // An edge may leave through one row and enter through the other: crossings in its order.
    if (a.y() < b.y()) {
      if (a.y() < y0 && b.y() > y0) cross(y0);
      if (a.y() < y1 && b.y() > y1) cross(y1);
    } else {
      if (a.y() > y1 && b.y() < y1) cross(y1);
      if (a.y() > y0 && b.y() < y0) cross(y0);
    }
  }
}

// Filling a face is left to the raster engine as it is, except in two cases where the engine is
// slow, which together cost a repaint of the window several milliseconds:
// - A translucent fill with antialiasing blends each pixel of the border apart, at some ten times
//   the cost of the whole face without. So a translucent face outlined all round (a plane, a cell,
//   a waiting polygon's ghost) or faint is filled without antialiasing: the outline drawn over it
//   keeps its antialiasing, and at low opacity the stepped border does not show.
// - A fill of many rows is handed to worker threads, and the hand-over costs far more than the
//   fill (a quarter of a millisecond for a face 200 rows high, against a twentieth in bands). So a
//   tall face is filled in bands of rows, cut at whole rows so that each pixel is filled by one
//   band. The engine shares out a fill of about a hundred spans: a row without antialiasing is
//   one span, one with it three or more.
// Both are for pictures made of pixels: a printer or a PDF gets each face whole, as drawn.
// Returns whether the face was filled here; its outline is then for the caller to draw.
bool fillApart(Canvas& c, const Primitive& item, const QPolygonF& poly, bool outlined) {
  constexpr double kFaint = 0.5;
  if (!item.filled || !c.painter().paintEngine() || c.painter().paintEngine()->type() != QPaintEngine::Raster) return false;
  const bool aliased = item.fill.a < 1 && (outlined || item.fill.a <= kFaint);
  const int bandRows = aliased ? 64 : 16;
  const QRectF box = poly.boundingRect();
  if (!aliased && (item.fill.a < 1 || box.height() <= bandRows)) return false;
  QPainter& p = c.painter();
  c.noPen();
  c.brush(item.fill);
  if (aliased) p.setRenderHint(QPainter::Antialiasing, false);
  if (box.height() <= bandRows) {
    p.drawPolygon(poly.constData(), static_cast<int>(poly.size()));
  } else {
    // Bands over the rows that can show only: a face far larger than the view (a point of it far
    // off) would otherwise take millions of them.
    QRectF shown = p.transform().inverted().mapRect(QRectF(0, 0, p.device()->width(), p.device()->height()));
    if (p.hasClipping()) shown &= p.clipBoundingRect();
    const double top = std::max(box.top(), shown.top() - 1), bottom = std::min(box.bottom(), shown.bottom() + 1);
    QPolygonF& band = c.second();
    for (double y = std::floor(top); y < bottom; y += bandRows) {
      cutRows(poly, y, y + bandRows, band);
      if (band.size() >= 3) p.drawPolygon(band.constData(), static_cast<int>(band.size()));
    }
  }
  if (aliased) p.setRenderHint(QPainter::Antialiasing, true);
  return true;
}

void paintFace(Canvas& c, const Primitive& item) {
  if (item.points.size() < 3) return;
  QPainter& p = c.painter();
  const bool partialOutline = item.stroked && item.edges.size() == item.points.size();
  if (item.stroked && tiny(item.points)) {
    // A face a few pixels across is as much outline as inside: filled in the mean of the two
    // colours it looks the same, and costs a fraction of stroking it (a large scene has
    // thousands, most of them cut into pieces by the depth order).
    const Rgb& f = item.filled ? item.fill : item.stroke;
    const Rgb& e = item.stroke;
    const Rgb mean{(f.r + e.r) / 2, (f.g + e.g) / 2, (f.b + e.b) / 2, (f.a + e.a) / 2};
    if (const auto ends = thinEnds(item.points)) {
      // Seen edge-on it has no inside to fill (a wall seen from above): a short line instead,
      // or the scene's walls would not show at all.
      c.seam(mean, 1);
      p.drawLine(QPointF(ends->first.x, ends->first.y), QPointF(ends->second.x, ends->second.y));
      return;
    }
    c.noPen();
    c.brush(mean);
    const QPolygonF& poly = c.points(item.points);
    p.drawPolygon(poly.constData(), static_cast<int>(poly.size()));
    return;
  }
  const bool fullOutline = item.stroked && !partialOutline;
  // A hairline of the face's own colour closes the seams that antialiasing would leave between
  // pieces of one surface (a face cut by the depth order, neighbouring faces of a mesh). A
  // translucent face has none: its hairline would show as a darker seam.
  const bool seam = !fullOutline && item.filled && item.fill.a >= 1;
  auto outlinePen = [&] {
    if (fullOutline) {
      c.pen(item.stroke, item.lineWidth, penStyle(item.lineStyle));
    } else if (seam) {
      c.seam(item.fill, 0.5);
    } else {
      c.noPen();
    }
  };
  const QPolygonF& poly = c.points(item.points);
  if (fillApart(c, item, poly, fullOutline)) {
    // The outline on its own, over the fill.
    if (fullOutline || seam) {
      outlinePen();
      c.noBrush();
      p.drawPolygon(poly.constData(), static_cast<int>(poly.size()));
    }
  } else {
    outlinePen();
    if (item.filled) {
      c.brush(item.fill);
    } else {
      c.noBrush();
    }
    p.drawPolygon(poly.constData(), static_cast<int>(poly.size()));
  }
  if (!partialOutline) return;
  // Only some edges are outline (the others are where the face was cut): draw their runs.
  c.pen(item.stroke, item.lineWidth, penStyle(item.lineStyle));
  c.noBrush();
  const std::size_t n = item.points.size();
  std::size_t start = 0;
  while (start < n && item.edges[(start + n - 1) % n]) ++start;  // a corner where a run begins
  QPolygonF& run = c.buffer();
  run.clear();
  for (std::size_t k = 0; k <= n; ++k) {
    const std::size_t i = (start + k) % n;
    if (k < n && item.edges[i]) {
      if (run.isEmpty()) run << QPointF(item.points[i].x, item.points[i].y);
      const Point& next = item.points[(i + 1) % n];
      run << QPointF(next.x, next.y);
    } else if (!run.isEmpty()) {
      p.drawPolyline(run.constData(), static_cast<int>(run.size()));
      run.clear();
    }
  }
}

void paintLine(Canvas& c, const Primitive& item) {
  if (!item.stroked || item.points.size() < 2 || item.lineStyle == "none") return;
  c.pen(item.stroke, item.lineWidth, penStyle(item.lineStyle));
  c.noBrush();
  const QPolygonF& line = c.points(item.points);
  c.painter().drawPolyline(line.constData(), static_cast<int>(line.size()));
}

// One marker centred on `c`, `size` pixels across.
void paintMarker(QPainter& p, const std::string& marker, QPointF c, double size) {
  const double r = size / 2;
  if (marker == "o") {
    p.drawEllipse(c, r, r);
  } else if (marker == "s") {
    p.drawRect(QRectF(c.x() - r, c.y() - r, size, size));
  } else if (marker == "d") {
    p.drawPolygon(QPolygonF({QPointF(c.x(), c.y() - r), QPointF(c.x() + r, c.y()), QPointF(c.x(), c.y() + r),
                             QPointF(c.x() - r, c.y())}));
  } else if (marker == "+" || marker == "*") {
    p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
  }
  if (marker == "x" || marker == "*") {
    const double d = marker == "*" ? r * std::sqrt(0.5) : r;
    p.drawLine(QPointF(c.x() - d, c.y() - d), QPointF(c.x() + d, c.y() + d));
    p.drawLine(QPointF(c.x() - d, c.y() + d), QPointF(c.x() + d, c.y() - d));
  }
}

void paintMarkers(Canvas& c, const Primitive& item) {
  QPainter& p = c.painter();
  const Annotation& a = item.annotation();
  const double size = a.markerSize * kPixelsPerPoint;
  if (a.marker == ".") {
    // A point: a small disc of the edge colour, a third of the marker size across.
    if (!item.stroked) return;
    c.noPen();
    c.brush(item.stroke);
    for (const Point& q : item.points) p.drawEllipse(QPointF(q.x, q.y), size / 6, size / 6);
    return;
  }
  if (item.stroked) {
    c.pen(item.stroke, item.lineWidth);
  } else {
    c.noPen();
  }
  if (a.markerFilled) {
    c.brush(a.markerFace);
  } else {
    c.noBrush();
  }
  if (a.marker == "s" && item.stroked && a.markerFilled && item.stroke == a.markerFace) {
    // Squares of one colour, as a large tree shows each of its thousands of nodes: filled out to
    // where their outline would reach, on whole pixels, which costs a fraction of outlining each.
    const QColor colour = qcolor(item.stroke);
    const double half = (size + item.lineWidth * kPixelsPerPoint) / 2;
    for (const Point& q : item.points)
      p.fillRect(QRectF(q.x - half, q.y - half, 2 * half, 2 * half).toAlignedRect(), colour);
    return;
  }
  for (const Point& q : item.points) paintMarker(p, a.marker, QPointF(q.x, q.y), size);
}

void paintText(Canvas& c, const Primitive& item, TextLayouts& layouts) {
  const Annotation& a = item.annotation();
  QPainter& p = c.painter();
  const QRectF box = rect(item.box);
  if (a.hasBackground) p.fillRect(box, qcolor(a.background));
  if (a.hasEdge) {
    c.pen(a.edge, item.lineWidth, Qt::SolidLine, true);
    c.noBrush();
    p.drawRect(box);
  }
  if (a.text.empty() || !item.stroked) return;
  const TextLayouts::Font& font = layouts.font(a.fontName, a.fontSize);
  p.setFont(font.font);
  p.setPen(qcolor(item.stroke));
  c.forget();
  double y = a.baseline.y;
  std::string_view rest = a.text;
  for (bool more = true; more; y += a.lineHeight) {
    const std::size_t end = rest.find('\n');
    more = end != std::string_view::npos;
    const TextLayouts::Line& line = layouts.line(font, a.fontName, a.fontSize, rest.substr(0, end));
    if (more) rest.remove_prefix(end + 1);
    double x = a.baseline.x;
    if (a.align != HAlign::Left)
      x = a.align == HAlign::Center ? box.center().x() - line.width / 2 : box.right() - a.margin - line.width;
    // A laid-out text is placed by its top-left corner: the baseline less the font's ascent.
    p.drawStaticText(QPointF(x, y - font.ascent), line.text);
  }
}

void paintRect(Canvas& c, const Primitive& item) {
  const QRectF r = rect(item.box);
  if (item.filled) c.painter().fillRect(r, qcolor(item.fill));
  if (item.stroked) {
    c.pen(item.stroke, item.lineWidth, penStyle(item.lineStyle));
    c.noBrush();
    c.painter().drawRect(r);
  }
}

std::string fontKey(std::string_view name, double sizePoints) {
  return std::string(name) + '\0' + std::to_string(sizePoints);
}

}  // namespace

const TextLayouts::Font& TextLayouts::font(std::string_view name, double sizePoints) {
  auto [it, added] = fonts_.try_emplace(fontKey(name, sizePoints));
  if (added) {
    it->second.font = fontFor(name, sizePoints);
    it->second.ascent = QFontMetricsF(it->second.font).ascent();
  }
  return it->second;
}

const TextLayouts::Line& TextLayouts::line(const Font& font, std::string_view name, double sizePoints,
                                           std::string_view text) {
  std::string key = fontKey(name, sizePoints);
  key += '\0';
  key += text;
  auto found = lines_.find(key);
  if (found != lines_.end()) return found->second;
  if (lines_.size() >= kKeptLines) lines_.clear();
  Line& line = lines_[std::move(key)];
  const QString q = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  line.text.setText(q);
  line.text.setTextFormat(Qt::PlainText);
  line.text.prepare(QTransform(), font.font);
  line.width = QFontMetricsF(font.font).horizontalAdvance(q);
  return line;
}

QFont fontFor(std::string_view name, double sizePoints) {
  QFont font;
  QStringList families;
  if (!name.empty()) families << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  families << "DejaVu Sans" << "Liberation Sans" << "Arial";
  font.setFamilies(families);
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(std::max(1, static_cast<int>(std::lround((sizePoints > 0 ? sizePoints : 10) * kPixelsPerPoint))));
  return font;
}

QRect reach(const Primitive& item) {
  const Rect r = reachOf(item);
  return QRectF(r.x, r.y, r.width, r.height).toAlignedRect();
}

void paintDisplayList(QPainter& p, const DisplayList& list, const QRegion* only, TextLayouts* layouts) {
  TextLayouts forThisPaint;
  TextLayouts& texts = layouts ? *layouts : forThisPaint;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  // The figure's background, except where an opaque rectangle (an axes' own background) covers
  // it anyway: filling a large view twice costs as much as drawing what is in it.
  QRegion background(QRectF(0, 0, list.width, list.height).toAlignedRect());
  if (only) background &= *only;
  for (const Primitive& item : list.items)
    if (item.kind == Primitive::Kind::Rect && item.filled && item.fill.a >= 1) {
      QRectF covered = rect(item.box);
      if (item.clipped) covered &= rect(item.clip);
      const QPoint from(static_cast<int>(std::ceil(covered.left())), static_cast<int>(std::ceil(covered.top())));
      const QPoint to(static_cast<int>(std::floor(covered.right())), static_cast<int>(std::floor(covered.bottom())));
      if (to.x() > from.x() && to.y() > from.y()) background -= QRect(from, to - QPoint(1, 1));
    }
  // Without antialiasing: at a fractional pixel ratio the edges the rectangles share fall between
  // device pixels, where two antialiased fills would each cover the shared pixels only in part and
  // leave a seam across the window.
  p.setRenderHint(QPainter::Antialiasing, false);
  for (const QRect& r : background) p.fillRect(r, qcolor(list.background));
  p.setRenderHint(QPainter::Antialiasing, true);
  Canvas canvas(p);
  // The clip in force. Successive items clipped alike (all the faces of an axes) share one: a
  // clip set and dropped for each of ten thousand faces costs more than painting them.
  std::optional<Rect> clip;
  auto clipTo = [&](const std::optional<Rect>& want) {
    if (want == clip) return;
    if (clip) {
      p.restore();
      canvas.forget();
    }
    if (want) {
      p.save();
      p.setClipRect(rect(*want), Qt::IntersectClip);
    }
    clip = want;
  };
  // A part of one rectangle (what a window repaints) is tested against without a region's work.
  std::optional<Rect> onlyRect;
  if (only && only->rectCount() == 1) {
    const QRect r = only->boundingRect();
    onlyRect = Rect{static_cast<double>(r.x()), static_cast<double>(r.y()), static_cast<double>(r.width()),
                    static_cast<double>(r.height())};
  }
  // `ask`: whether each item is asked if it reaches the part repainted.
  const auto paintItems = [&](std::span<const Primitive> items, bool ask) {
    for (const Primitive& item : items) {
      if (ask && (onlyRect ? !reachOf(item).overlaps(*onlyRect) : only && !only->intersects(reach(item)))) continue;
      clipTo(item.clipped ? std::optional<Rect>(item.clip) : std::nullopt);
      switch (item.kind) {
        case Primitive::Kind::Face: paintFace(canvas, item); break;
        case Primitive::Kind::Line: paintLine(canvas, item); break;
        case Primitive::Kind::Marker: paintMarkers(canvas, item); break;
        case Primitive::Kind::Text: paintText(canvas, item, texts); break;
        case Primitive::Kind::Rect: paintRect(canvas, item); break;
      }
    }
  };
  if (only && spansCoverItems(list)) {
    // An axes that reaches nowhere near the part repainted (a large scene beside the tree view
    // that changed) is passed over whole; one that lies wholly within it is painted whole,
    // without asking each of its items.
    for (const AxesSpan& s : list.spans) {
      const QRect reach = QRectF(s.reach.x, s.reach.y, s.reach.width, s.reach.height).toAlignedRect().adjusted(-2, -2, 2, 2);
      if (only->intersects(reach)) paintItems(list.items.slice(s.first, s.count), !only->contains(reach));
    }
  } else {
    for (std::size_t k = 0; k < list.items.runCount(); ++k) paintItems(list.items.run(k), only != nullptr);
  }
  clipTo(std::nullopt);
  p.restore();
}

}  // namespace kolvar::graphics
