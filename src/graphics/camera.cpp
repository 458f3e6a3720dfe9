#include "graphics/camera.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kolvar::graphics {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRightAngleTolerance = 1e-9;

// The angle reduced to [0, 360), and the number of quarter turns when it is one.
double reduce(double degrees) {
  double a = std::fmod(degrees, 360.0);
  return a < 0 ? a + 360.0 : a;
}

bool isQuarterTurn(double degrees, int& quarters) {
  double a = reduce(degrees);
  double q = std::round(a / 90.0);
  if (std::abs(a - 90.0 * q) > kRightAngleTolerance) return false;
  quarters = static_cast<int>(q) % 4;
  return true;
}

}  // namespace

double sind(double degrees) {
  int q = 0;
  if (isQuarterTurn(degrees, q)) return q == 1 ? 1.0 : (q == 3 ? -1.0 : 0.0);
  return std::sin(degrees * kPi / 180.0);
}

double cosd(double degrees) {
  int q = 0;
  if (isQuarterTurn(degrees, q)) return q == 0 ? 1.0 : (q == 2 ? -1.0 : 0.0);
  return std::cos(degrees * kPi / 180.0);
}

bool isPlanView(double azimuthDeg, double elevationDeg) {
  int q = 0;
  int e = 0;
  return isQuarterTurn(elevationDeg, e) && isQuarterTurn(azimuthDeg, q);
}

std::array<Vec3, 8> boxCorners() {
  std::array<Vec3, 8> c;
  for (int i = 0; i < 8; ++i) c[i] = {(i & 1) ? 0.5 : -0.5, (i & 2) ? 0.5 : -0.5, (i & 4) ? 0.5 : -0.5};
  return c;
}

Camera makeCamera(const Limits& limits, double az, double el, const Rect& plot) {
  Camera cam;
  cam.limits = limits;
  for (int i = 0; i < 3; ++i) {
    double lo = limits.lo[i];
    double hi = limits.hi[i];
    double span = hi - lo;
    if (!(span > 0) || !std::isfinite(span)) {
      // An empty or reversed range still gets a box: one unit around its lower end.
      cam.limits.lo[i] = std::isfinite(lo) ? lo : 0.0;
      cam.limits.hi[i] = cam.limits.lo[i] + 1.0;
      span = 1.0;
    }
    cam.span[i] = span;
    cam.center[i] = cam.limits.lo[i] + span / 2;
  }
  double ca = cosd(az), sa = sind(az), ce = cosd(el), se = sind(el);
  cam.right = {ca, sa, 0};
  cam.up = {-se * sa, se * ca, ce};
  cam.toViewer = {ce * sa, -ce * ca, se};
  cam.plot = plot;
  cam.origin = {plot.x + plot.width / 2, plot.y + plot.height / 2};
  cam.planView = isPlanView(az, el);
  if (cam.planView) {
    // Fill the rectangle: the projected box is an axis-aligned unit square.
    cam.kx = plot.width;
    cam.ky = plot.height;
  } else {
    // The unit cube's half extent on the screen is at most sqrt(2)/2 across (over every azimuth)
    // and sqrt(3)/2 up (over every azimuth and elevation): fit that, the same at every view.
    double k = std::min(plot.width / std::sqrt(2.0), plot.height / std::sqrt(3.0));
    cam.kx = cam.ky = std::max(k, 0.0);
  }
  return cam;
}

Vec3 dataToBox(const Camera& cam, Vec3 p) {
  return {(p.x - cam.center.x) / cam.span.x, (p.y - cam.center.y) / cam.span.y,
          (p.z - cam.center.z) / cam.span.z};
}

Vec3 boxToData(const Camera& cam, Vec3 b) {
  return {cam.center.x + b.x * cam.span.x, cam.center.y + b.y * cam.span.y,
          cam.center.z + b.z * cam.span.z};
}

Vec3 dataDirectionToBox(const Camera& cam, Vec3 d) {
  return {d.x / cam.span.x, d.y / cam.span.y, d.z / cam.span.z};
}

Vec3 dataNormalToBox(const Camera& cam, Vec3 n) {
  return {n.x * cam.span.x, n.y * cam.span.y, n.z * cam.span.z};
}

Point dataToPixel(const Camera& cam, Vec3 p) { return viewToPixel(cam, boxToView(cam, dataToBox(cam, p))); }

double depthOf(const Camera& cam, Vec3 p) { return dot(cam.toViewer, dataToBox(cam, p)); }

std::pair<Vec3, Vec3> lineOfSight(const Camera& cam, double px, double py) {
  double vx = cam.kx > 0 ? (px - cam.origin.x) / cam.kx : 0.0;
  double vy = cam.ky > 0 ? (cam.origin.y - py) / cam.ky : 0.0;
  Vec3 base = vx * cam.right + vy * cam.up;  // the line is base + t * toViewer, t its depth
  const Vec3& d = cam.toViewer;

  double tLo = -std::numeric_limits<double>::infinity();
  double tHi = std::numeric_limits<double>::infinity();
  bool hits = true;
  for (int i = 0; i < 3 && hits; ++i) {
    if (std::abs(d[i]) < 1e-12) {
      if (std::abs(base[i]) > 0.5 + 1e-12) hits = false;
      continue;
    }
    double t1 = (-0.5 - base[i]) / d[i];
    double t2 = (0.5 - base[i]) / d[i];
    tLo = std::max(tLo, std::min(t1, t2));
    tHi = std::min(tHi, std::max(t1, t2));
  }
  if (!hits || tLo > tHi) {
    tLo = std::numeric_limits<double>::infinity();
    tHi = -tLo;
    for (const Vec3& c : boxCorners()) {
      double depth = dot(c, d);
      tLo = std::min(tLo, depth);
      tHi = std::max(tHi, depth);
    }
  }
  return {boxToData(cam, base + tHi * d), boxToData(cam, base + tLo * d)};
}

}  // namespace kolvar::graphics
