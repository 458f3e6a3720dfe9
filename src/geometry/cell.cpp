#include "geometry/cell.hpp"

#include "geometry/hull.hpp"
#include <algorithm>
#include <cmath>

#include "geometry/hull.hpp"
#include "geometry/polygon_normal.hpp"
#include "geometry/split.hpp"

namespace kolvar::geometry {

namespace {

Vec3 centreOf(const std::vector<Vec3>& pts) {
  Vec3 c;
  for (const Vec3& p : pts) c = c + p;
  return pts.empty() ? c : (1.0 / static_cast<double>(pts.size())) * c;
}

// Two unit vectors that span the plane with normal `n`.
void basisOf(const Vec3& n, Vec3& u, Vec3& v) {
  const Vec3 helper = std::abs(n.x) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
  u = normalized(cross(n, helper));
  v = cross(n, u);
}

// The convex hull of points lying in the plane with normal `n`, counter-clockwise seen from the
// side `n` points to; points closer than the tolerance to one already taken count once.
std::vector<Vec3> hullInPlane(const std::vector<Vec3>& pts, const Vec3& n, double tolerance) {
  std::vector<Vec3> unique;
  for (const Vec3& p : pts) {
    const bool seen = std::any_of(unique.begin(), unique.end(), [&](const Vec3& q) { return norm(p - q) <= tolerance; });
    if (!seen) unique.push_back(p);
  }
  if (unique.size() < 3) return {};
  Vec3 u, v;
  basisOf(n, u, v);
  struct Projected {
    double x, y;
    Vec3 p;
  };
  std::vector<Projected> q;
  for (const Vec3& p : unique) q.push_back({dot(p, u), dot(p, v), p});
  const std::vector<Projected> hull =
      convexHull(std::move(q), [](const Projected& a) { return a.x; }, [](const Projected& a) { return a.y; });
  std::vector<Vec3> out;
  for (const Projected& h : hull) out.push_back(h.p);
  if (out.size() < 3 || norm(newellNormal(out)) <= tolerance * tolerance) return {};
  return out;
}

// The loop turned so that its normal points along `outward`.
std::vector<Vec3> facing(std::vector<Vec3> loop, const Vec3& outward) {
  if (dot(newellNormal(loop), outward) < 0) std::reverse(loop.begin(), loop.end());
  return loop;
}

bool inPlane(const std::vector<Vec3>& loop, const Plane& plane, double tolerance) {
  return std::all_of(loop.begin(), loop.end(), [&](const Vec3& p) { return std::abs(distance(plane, p)) <= tolerance; });
}

}  // namespace

Cell boxCell(const Vec3& lo, const Vec3& hi) {
  Cell cell;
  const Vec3 centre = 0.5 * (lo + hi);
  for (int axis = 0; axis < 3; ++axis) {
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    for (double at : {lo[axis], hi[axis]}) {
      std::vector<Vec3> quad(4);
      const double us[4] = {lo[a], hi[a], hi[a], lo[a]};
      const double vs[4] = {lo[b], lo[b], hi[b], hi[b]};
      for (int i = 0; i < 4; ++i) {
        quad[i][axis] = at;
        quad[i][a] = us[i];
        quad[i][b] = vs[i];
      }
      const Vec3 outward = centreOf(quad) - centre;
      cell.faces.push_back(facing(std::move(quad), outward));
    }
  }
  return cell;
}

Cell clipCell(const Cell& cell, const Plane& plane, bool front, double tolerance) {
  Cell out;
  std::vector<Vec3> onPlane;
  for (const auto& face : cell.faces) {
    if (inPlane(face, plane, tolerance)) continue;  // the section takes its place
    SplitPart f, b;
    splitConvex(face, nullptr, plane, tolerance, OnPlane::Both, f, b);
    const SplitPart& kept = front ? f : b;
    if (kept.points.empty()) continue;
    for (const Vec3& p : kept.points)
      if (std::abs(distance(plane, p)) <= tolerance) onPlane.push_back(p);
    out.faces.push_back(kept.points);
  }
  if (out.faces.empty()) return out;
  // The section closes the kept part; seen from outside it, it faces away from that part.
  std::vector<Vec3> cap = hullInPlane(onPlane, plane.normal, tolerance);
  if (!cap.empty()) out.faces.push_back(facing(std::move(cap), front ? -1.0 * plane.normal : plane.normal));
  return out;
}

std::vector<Vec3> section(const Cell& cell, const Plane& plane, double tolerance) {
  std::vector<Vec3> pts;
  for (const auto& face : cell.faces) {
    for (std::size_t i = 0; i < face.size(); ++i) {
      const Vec3& a = face[i];
      const Vec3& b = face[(i + 1) % face.size()];
      const double da = distance(plane, a), db = distance(plane, b);
      if (std::abs(da) <= tolerance) pts.push_back(a);
      if ((da > tolerance && db < -tolerance) || (da < -tolerance && db > tolerance)) pts.push_back(a + (da / (da - db)) * (b - a));
    }
  }
  return hullInPlane(pts, plane.normal, tolerance);
}

bool contains(const Cell& cell, const Vec3& p, double tolerance) {
  if (cell.empty()) return false;
  for (const auto& face : cell.faces) {
    const Vec3 n = normalized(newellNormal(face));
    if (dot(p - face[0], n) > tolerance) return false;
  }
  return true;
}

std::vector<Vec3> corners(const Cell& cell, double tolerance) {
  std::vector<Vec3> out;
  for (const auto& face : cell.faces)
    for (const Vec3& p : face)
      if (std::none_of(out.begin(), out.end(), [&](const Vec3& q) { return norm(p - q) <= tolerance; })) out.push_back(p);
  return out;
}

}  // namespace kolvar::geometry
