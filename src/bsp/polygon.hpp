#pragma once
// Polygons, polygon lists and the side test: the one geometric predicate the whole BSP core
// rests on. Inside the core the side test speaks geometry::Side; the by-name functions keep the
// numbers their callers know:
//   -1  in front of the plane or on it (within the tolerance)
//    1  behind it
//    0  straddling: some point more than the tolerance in front and some more than it behind
// The tolerance is relative: kSideEpsilon times the largest coordinate magnitude of what the test
// compares (see sideTolerance), so that the core gives the same answers for a model in
// millimetres far from the origin as for the same model in metres around it.
#include <cmath>
#include <cstddef>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "geometry/magnitude.hpp"
#include "geometry/plane.hpp"
#include "geometry/polygon_normal.hpp"
#include "geometry/vec3.hpp"
#include "runtime/error.hpp"  // the errors raised here

namespace kolvar::bsp {

using Vec3 = geometry::Vec3;

// A flat polygon: the closed loop through `points` in order. Its plane passes through
// points[0] with unit normal `normal`; `magnitude` is the largest coordinate magnitude of its
// points (geometry::magnitude), kept because every side test against it needs it. Built only by
// newPolygon/checkedPolygon/splitPoly and never changed afterwards, so it is shared freely between
// lists and trees.
struct Polygon {
  std::string label;
  double magnitude = 0;  // just before `points`: a side test reads both, from one cache line
  std::vector<Vec3> points;
  Vec3 normal;
};

using PolygonRef = std::shared_ptr<const Polygon>;  // null stands for "no polygon"

// An ordered, immutable list of polygons. Copies share the items, so a copy costs O(1): lists
// travel through the tree, the state record and the diagram's "UserData" without copying.
class PolygonList {
 public:
  PolygonList() = default;  // the empty list
  // A list holds polygons only: null items are left out, so no user of a list needs to test.
  static PolygonList from(std::vector<PolygonRef> items);

  std::size_t size() const { return items_ ? items_->size() : 0; }
  bool empty() const { return size() == 0; }
  // Unchecked 0-based access; `at` raises the runtime's index error for a bad index.
  const PolygonRef& operator[](std::size_t i) const { return (*items_)[i]; }
  const PolygonRef& at(std::size_t i) const;
  const PolygonRef* begin() const { return items_ ? items_->data() : nullptr; }
  const PolygonRef* end() const { return items_ ? items_->data() + items_->size() : nullptr; }
  // The items as a vector, e.g. to build a longer list from this one.
  std::vector<PolygonRef> toVector() const { return items_ ? *items_ : std::vector<PolygonRef>(); }

 private:
  std::shared_ptr<const std::vector<PolygonRef>> items_;
};

// The side test's tolerance per unit of coordinate magnitude. For the presets, whose coordinates
// are a few units, it is within a few times 1e-10 scene units, far below any distance between
// their vertices and planes, so they come out exactly as with a fixed 1e-10; where coordinates
// reach 1e5, it is 1e-5, which is what rounding noise there calls for; for a model a thousandth
// of a unit across, 1e-13. It stays far above the noise (about 2e-16 times the magnitude, times
// the ratio of a polygon's extent to its distance from the plane's first vertex), and far below
// any gap a model means to have.
inline constexpr double kSideEpsilon = 1e-10;

// The tolerance of a side test between things whose coordinates reach the magnitudes `a` and `b`:
// kSideEpsilon times the larger. It depends on the two alone, so a test made twice (when a
// polygon is filed and when its node is inserted) gives the same answer both times.
inline double sideTolerance(double a, double b) { return kSideEpsilon * geometry::largerOf(a, b); }
inline double sideTolerance(const Polygon& a, const Polygon& b) { return sideTolerance(a.magnitude, b.magnitude); }

// The unit normal of a vertex loop (see geometry/polygon_normal.hpp): the first edge crossed
// with the first diagonal, or Newell's normal where the first three vertices are collinear.
using geometry::polygonNormal;

// The plane of a polygon: through its first vertex, with its normal.
inline geometry::Plane planeOf(const Polygon& polygon) { return {polygon.points[0], polygon.normal}; }

// The by-name number of a side: -1 in front or on the plane, 1 behind, 0 straddling.
inline int sideNumber(geometry::Side side) {
  constexpr int kNumber[] = {0, -1, 1, -1};  // Straddling, Front, Back, On
  return kNumber[static_cast<int>(side)];
}

// Builds a polygon from its vertex loop with the normal of polygonNormal; the label is empty
// when none is given. A loop without any usable normal (all vertices on one line) still gets a
// polygon, with a not-a-number normal: the core never builds one, and input from outside goes
// through checkedPolygon, which rejects it.
PolygonRef newPolygon(std::vector<Vec3> points, std::optional<std::string> label = std::nullopt);

// What is wrong with a vertex loop that comes from outside, or null when it is a usable polygon:
// fewer than three vertices, a coordinate that is not finite or too large to compute with
// (beyond kMaxCoordinate), or all vertices on one line.
inline constexpr double kMaxCoordinate = 1e15;
std::optional<std::string> polygonFault(const std::vector<Vec3>& points);

// What keeps a vertex loop read from a file from being a face the program can split and draw, or
// null: a fault of polygonFault, a corner off the plane of the others ("the face is not flat",
// beyond a millionth of the loop's size), or a loop that does not turn one way once round ("the
// face is not convex": a dent or a bow tie). `noun` names the loop in the fault ("face",
// "polygon"). Every reader of scenes from outside asks this of each polygon, so that a scene of
// any format holds only polygons that split into convex pieces.
std::optional<std::string> faceFault(const std::vector<Vec3>& points, const std::string& noun = "face");

// newPolygon for vertex loops from outside: raises a kolvar::Error (ErrorKind::Input) that
// names the label and the fault instead of building a polygon with no plane.
PolygonRef checkedPolygon(std::vector<Vec3> points, std::optional<std::string> label = std::nullopt);

// Side test of a set of points against a polygon's plane: -1, 0 or 1 as above, with the
// tolerance of the points' magnitude and the polygon's. An empty set is in front (-1). Signed
// distances are (p - points[0]) . normal.
int inFront(const std::vector<Vec3>& pts, const Polygon& polygon);

// The side of `polygon` on which `p` lies, with the tolerance of the two: the one test every
// filing, count and sentence of the core makes, so they all agree at any scale.
inline geometry::Side sideOf(const Polygon& p, const Polygon& splitter) {
  return geometry::sideOf(p.points, planeOf(splitter), sideTolerance(p, splitter));
}
// The side of `polygon` on which a point lies: never straddling; on the plane is On.
inline geometry::Side sideOf(const Vec3& point, const Polygon& polygon) {
  const double tolerance = sideTolerance(geometry::magnitude(point), polygon.magnitude);
  return geometry::sideOf(geometry::distance(planeOf(polygon), point), tolerance);
}
// Whether a point lies behind a polygon's plane (on it counts as in front, as in the walk).
inline bool behind(const Vec3& point, const Polygon& polygon) { return sideOf(point, polygon) == geometry::Side::Back; }

// Side test of one point: -1 (in front or on the plane) or 1 (behind). Only a not-a-number
// normal can make it 0.
inline int inFront(const Vec3& point, const Polygon& polygon) { return sideNumber(sideOf(point, polygon)); }

// "polygon: LABEL has N points." or "null polygon" for the empty value.
std::string displayPolygonLine(const PolygonRef& polygon);
// The same line followed by a line break.
void displayPolygon(const PolygonRef& polygon, std::ostream& out);

}  // namespace kolvar::bsp
