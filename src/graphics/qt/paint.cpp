#include "graphics/qt/paint.hpp"

#include <QFontMetricsF>
#include <QPen>
#include <QPolygonF>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace kolvar::graphics {

namespace {

QColor qcolor(const Rgb& c) {
  auto channel = [](double x) { return static_cast<float>(std::clamp(x, 0.0, 1.0)); };
  return QColor::fromRgbF(channel(c.r), channel(c.g), channel(c.b));
}

Qt::PenStyle penStyle(const std::string& style) {
  if (style == "--") return Qt::DashLine;
  if (style == ":") return Qt::DotLine;
  if (style == "-.") return Qt::DashDotLine;
  if (style == "none") return Qt::NoPen;
  return Qt::SolidLine;
}

QPen pen(const Rgb& color, double widthPoints, const std::string& style = "-") {
  QPen p(qcolor(color), std::max(widthPoints, 0.0) * kPixelsPerPoint, penStyle(style));
  p.setCapStyle(Qt::FlatCap);
  p.setJoinStyle(Qt::RoundJoin);
  return p;
}

QPolygonF polygon(const std::vector<Point>& pts) {
  QPolygonF poly;
  poly.reserve(static_cast<qsizetype>(pts.size()));
  for (const Point& q : pts) poly << QPointF(q.x, q.y);
  return poly;
}

QRectF rect(const Rect& r) { return QRectF(r.x, r.y, r.width, r.height); }

void paintFace(QPainter& p, const Primitive& item) {
  if (item.points.size() < 3) return;
  const bool partialOutline = item.stroked && item.edges.size() == item.points.size();
  if (item.stroked && !partialOutline) {
    p.setPen(pen(item.stroke, item.lineWidth, item.lineStyle));
  } else if (item.filled) {
    // A hairline of the face's own colour closes the seams that antialiasing would leave between
    // pieces of one surface (a face cut by the depth order, neighbouring faces of a mesh).
    QPen seam(qcolor(item.fill), 0.5);
    seam.setJoinStyle(Qt::MiterJoin);
    p.setPen(seam);
  } else {
    p.setPen(Qt::NoPen);
  }
  p.setBrush(item.filled ? QBrush(qcolor(item.fill)) : QBrush(Qt::NoBrush));
  p.drawPolygon(polygon(item.points));
  if (!partialOutline) return;
  // Only some edges are outline (the others are where the face was cut): draw their runs.
  p.setPen(pen(item.stroke, item.lineWidth, item.lineStyle));
  p.setBrush(Qt::NoBrush);
  const std::size_t n = item.points.size();
  std::size_t start = 0;
  while (start < n && item.edges[(start + n - 1) % n]) ++start;  // a corner where a run begins
  QPolygonF run;
  for (std::size_t k = 0; k <= n; ++k) {
    const std::size_t i = (start + k) % n;
    if (k < n && item.edges[i]) {
      if (run.isEmpty()) run << QPointF(item.points[i].x, item.points[i].y);
      const Point& next = item.points[(i + 1) % n];
      run << QPointF(next.x, next.y);
    } else if (!run.isEmpty()) {
      p.drawPolyline(run);
      run.clear();
    }
  }
}

void paintLine(QPainter& p, const Primitive& item) {
  if (!item.stroked || item.points.size() < 2 || item.lineStyle == "none") return;
  p.setPen(pen(item.stroke, item.lineWidth, item.lineStyle));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(polygon(item.points));
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

void paintMarkers(QPainter& p, const Primitive& item) {
  const double size = item.markerSize * kPixelsPerPoint;
  if (item.marker == ".") {
    // A point: a small disc of the edge colour, a third of the marker size across.
    if (!item.stroked) return;
    p.setPen(Qt::NoPen);
    p.setBrush(qcolor(item.stroke));
    for (const Point& q : item.points) p.drawEllipse(QPointF(q.x, q.y), size / 6, size / 6);
    return;
  }
  p.setPen(item.stroked ? pen(item.stroke, item.lineWidth) : QPen(Qt::NoPen));
  p.setBrush(item.markerFilled ? QBrush(qcolor(item.markerFace)) : QBrush(Qt::NoBrush));
  for (const Point& q : item.points) paintMarker(p, item.marker, QPointF(q.x, q.y), size);
}

void paintText(QPainter& p, const Primitive& item) {
  const QRectF box = rect(item.box);
  if (item.hasBackground) p.fillRect(box, qcolor(item.background));
  if (item.hasEdge) {
    QPen edge = pen(item.edge, item.lineWidth);
    edge.setJoinStyle(Qt::MiterJoin);
    p.setPen(edge);
    p.setBrush(Qt::NoBrush);
    p.drawRect(box);
  }
  if (item.text.empty() || !item.stroked) return;
  const QFont font = fontFor(item.fontName, item.fontSize);
  const QFontMetricsF metrics(font);
  p.setFont(font);
  p.setPen(qcolor(item.stroke));
  double y = item.baseline.y;
  for (const QString& line : QString::fromStdString(item.text).split('\n')) {
    double x = item.baseline.x;
    if (item.align != HAlign::Left) {
      const double width = metrics.horizontalAdvance(line);
      x = item.align == HAlign::Center ? box.center().x() - width / 2 : box.right() - item.margin - width;
    }
    p.drawText(QPointF(x, y), line);
    y += item.lineHeight;
  }
}

void paintRect(QPainter& p, const Primitive& item) {
  const QRectF r = rect(item.box);
  if (item.filled) p.fillRect(r, qcolor(item.fill));
  if (item.stroked) {
    p.setPen(pen(item.stroke, item.lineWidth, item.lineStyle));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
  }
}

}  // namespace

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

void paintDisplayList(QPainter& p, const DisplayList& list) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.fillRect(QRectF(0, 0, list.width, list.height), qcolor(list.background));
  for (const Primitive& item : list.items) {
    if (item.clipped) {
      p.save();
      p.setClipRect(rect(item.clip), Qt::IntersectClip);
    }
    switch (item.kind) {
      case Primitive::Kind::Face: paintFace(p, item); break;
      case Primitive::Kind::Line: paintLine(p, item); break;
      case Primitive::Kind::Marker: paintMarkers(p, item); break;
      case Primitive::Kind::Text: paintText(p, item); break;
      case Primitive::Kind::Rect: paintRect(p, item); break;
    }
    if (item.clipped) p.restore();
  }
  p.restore();
}

}  // namespace kolvar::graphics
