#include "graphics/depth_order.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "geometry/far_to_near.hpp"
#include "geometry/split.hpp"

namespace kolvar::graphics {

namespace {

using geometry::Side;

// The side of a segment's end. Segments are cut where they cross a plane and filed whole where
// they touch it; an end whose distance is not a number stays where it is, as if on the plane.
Side sideOfEnd(const Plane& plane, const Vec3& p, double tol) {
  const Side s = geometry::sideOf(geometry::distance(plane, p), tol);
  return s == Side::Straddling ? Side::On : s;
}

// Points closer than a thousandth of the tolerance are one point.
bool samePoint(Vec3 a, Vec3 b, double tol) {
  const double near = 1e-3 * tol;
  return std::abs(a.x - b.x) <= near && std::abs(a.y - b.y) <= near && std::abs(a.z - b.z) <= near;
}

// What the tree keeps about each piece: its own plane and the box around its corners, which
// settles most classifications without looking at the corners.
struct PieceInfo {
  Plane plane;
  Vec3 lo, hi;  // the corners' bounds along each axis
};

PieceInfo infoOf(const DepthFace& f, const Plane& plane) {
  PieceInfo info;
  info.plane = plane;
  if (!f.points.empty()) info.lo = info.hi = f.points.front();
  for (const Vec3& p : f.points) {
    info.lo = {std::min(info.lo.x, p.x), std::min(info.lo.y, p.y), std::min(info.lo.z, p.z)};
    info.hi = {std::max(info.hi.x, p.x), std::max(info.hi.y, p.y), std::max(info.hi.z, p.z)};
  }
  return info;
}

Side classify(const DepthFace& f, const PieceInfo& info, const Plane& p, double tol) {
  // The box's centre and how far its corners reach along the normal.
  const Vec3 half = 0.5 * (info.hi - info.lo);
  const double c = geometry::distance(p, 0.5 * (info.lo + info.hi));
  const double reach = std::abs(p.normal.x) * half.x + std::abs(p.normal.y) * half.y + std::abs(p.normal.z) * half.z;
  if (c > reach + tol) return Side::Front;
  if (c < -reach - tol) return Side::Back;
  return geometry::sideOf(f.points, p, tol);
}

}  // namespace

std::optional<Plane> planeOf(const std::vector<Vec3>& pts) {
  if (pts.size() < 3) return std::nullopt;
  Vec3 n = newellNormal(pts);
  double len = norm(n);
  if (!(len > 1e-14)) return std::nullopt;
  Vec3 c;
  for (const Vec3& p : pts) c = c + p;
  c = (1.0 / static_cast<double>(pts.size())) * c;
  Plane plane;
  plane.normal = (1.0 / len) * n;
  plane.point = c;
  return plane;
}

std::vector<DepthFace> flatFaces(DepthFace face, double tolerance) {
  if (face.edges.size() != face.points.size()) face.edges.assign(face.points.size(), true);
  // Drop repeated points (a closing copy of the first point, say): they make zero-length edges.
  // Done in place: a repeated point hands its edge's flag to the point it repeats.
  DepthFace clean = std::move(face);
  std::size_t kept = 0;
  for (std::size_t i = 0; i < clean.points.size(); ++i) {
    if (kept > 0 && samePoint(clean.points[i], clean.points[kept - 1], tolerance)) {
      clean.edges[kept - 1] = clean.edges[i];
      continue;
    }
    clean.points[kept] = clean.points[i];
    clean.edges[kept] = clean.edges[i];
    ++kept;
  }
  clean.points.resize(kept);
  clean.edges.resize(kept);
  while (clean.points.size() > 1 && samePoint(clean.points.back(), clean.points.front(), tolerance)) {
    clean.points.pop_back();
    clean.edges.pop_back();
  }
  std::optional<Plane> plane = planeOf(clean.points);
  if (!plane) return {};
  bool flat = true;
  for (const Vec3& p : clean.points) flat = flat && std::abs(geometry::distance(*plane, p)) <= tolerance;
  std::vector<DepthFace> out;
  if (flat) {
    out.push_back(std::move(clean));  // (a braced list would copy it)
    return out;
  }

  // Not flat: a fan of triangles from the first point, each flat by construction.
  std::size_t n = clean.points.size();
  for (std::size_t i = 1; i + 1 < n; ++i) {
    DepthFace t;
    t.id = clean.id;
    t.part = clean.part;
    t.points = {clean.points[0], clean.points[i], clean.points[i + 1]};
    t.edges = {i == 1 && clean.edges[0], static_cast<bool>(clean.edges[i]), i + 2 == n && clean.edges[n - 1]};
    if (planeOf(t.points)) out.push_back(std::move(t));
  }
  return out;
}

void splitFace(const DepthFace& face, const Plane& plane, DepthFace& front, DepthFace& back, double tolerance) {
  std::vector<bool> allOriginal;
  const std::vector<bool>* edges = &face.edges;
  if (face.edges.size() != face.points.size()) {
    allOriginal.assign(face.points.size(), true);
    edges = &allOriginal;
  }
  geometry::SplitPart f, b;
  geometry::splitConvex(face.points, edges, plane, tolerance, geometry::OnPlane::Both, f, b);
  front = DepthFace{std::move(f.points), std::move(f.edges), face.id, face.part};
  back = DepthFace{std::move(b.points), std::move(b.edges), face.id, face.part};
}

// The box's walls stand at exactly +-0.5; points within the tolerance outside count as inside
// and are left where they are.
constexpr double kHalf = 0.5;

DepthFace clipFaceToBox(DepthFace face, double tolerance) {
  const double kHalfSlack = kHalf + tolerance;
  bool inside = true;
  for (const Vec3& p : face.points)
    inside = inside && std::abs(p.x) <= kHalfSlack && std::abs(p.y) <= kHalfSlack && std::abs(p.z) <= kHalfSlack;
  if (inside) return face;
  DepthFace kept = std::move(face);
  if (kept.edges.size() != kept.points.size()) kept.edges.assign(kept.points.size(), true);
  for (int axis = 0; axis < 3 && !kept.points.empty(); ++axis) {
    for (double sign : {1.0, -1.0}) {
      // Keep sign * coordinate <= 0.5, the front side of the plane with normal -sign * e_axis.
      Plane wall;
      wall.normal[axis] = -sign;
      wall.point[axis] = sign * kHalf;
      DepthFace in, out;
      splitFace(kept, wall, in, out, tolerance);
      kept = std::move(in);
      if (kept.points.empty()) break;
    }
  }
  return kept;
}

std::optional<DepthSegment> clipSegmentToBox(const DepthSegment& s, double tolerance) {
  const double kHalfSlack = kHalf + tolerance;
  bool inside = true;
  for (const Vec3& p : {s.a, s.b})
    inside = inside && std::abs(p.x) <= kHalfSlack && std::abs(p.y) <= kHalfSlack && std::abs(p.z) <= kHalfSlack;
  if (inside) return s;
  double t0 = 0, t1 = 1;
  Vec3 d = s.b - s.a;
  for (int i = 0; i < 3; ++i) {
    if (d[i] == 0) {
      if (std::abs(s.a[i]) > kHalfSlack) return std::nullopt;
      continue;
    }
    double ta = (-kHalf - s.a[i]) / d[i];
    double tb = (kHalf - s.a[i]) / d[i];
    t0 = std::max(t0, std::min(ta, tb));
    t1 = std::min(t1, std::max(ta, tb));
  }
  if (t0 > t1) return std::nullopt;
  DepthSegment out = s;
  out.a = s.a + t0 * d;
  out.b = s.a + t1 * d;
  return out;
}

namespace {

// A plane that cuts a node's space in two: the plane of one of its faces, or a plane across a
// coordinate axis (normal +e_axis) that lies between faces rather than on one.
struct Splitter {
  Plane plane;
  int axis = -1;             // 0..2 for a plane across an axis, -1 for a face's plane
  std::ptrdiff_t pick = -1;  // position in the node's list of the face whose plane it is
};

// Where a piece lies relative to the plane across `axis` at `at`, read off its bounds alone: the
// corners extreme along the axis are exactly the ones whose signed distances are extreme.
Side classifyAcross(const PieceInfo& info, int axis, double at, double tol) {
  const bool anyFront = info.hi[axis] - at > tol;
  const bool anyBack = info.lo[axis] - at < -tol;
  if (anyFront && anyBack) return Side::Straddling;
  if (anyFront) return Side::Front;
  if (anyBack) return Side::Back;
  return Side::On;
}

Side classify(const DepthFace& f, const PieceInfo& info, const Splitter& s, double tol) {
  return s.axis >= 0 ? classifyAcross(info, s.axis, s.plane.point[s.axis], tol) : classify(f, info, s.plane, tol);
}

// How good a splitter looks on a node's sample; lower is better. Cuts make pieces, and pieces
// make every later step slower (building, walking, painting); an even split keeps the tree
// shallow. Every candidate of a node is judged on the same sample, so the counts compare as
// they are.
long splitterScore(long cuts, long fronts, long backs) { return 8 * cuts + std::labs(fronts - backs); }

// Memory reused by every node of one build.
struct Workspace {
  std::vector<int> sample;  // the node's pieces the candidates are judged on
  std::vector<double> los, his, flats;
  std::vector<std::vector<int>> spare;  // lists done with, kept for their capacity
};

std::vector<int> takeList(Workspace& w) {
  if (w.spare.empty()) return {};
  std::vector<int> list = std::move(w.spare.back());
  w.spare.pop_back();
  list.clear();
  return list;
}

// Samples are short: insertion sort beats the general one there.
void sortShort(std::vector<double>& v) {
  for (std::size_t i = 1; i < v.size(); ++i) {
    const double x = v[i];
    std::size_t j = i;
    for (; j > 0 && v[j - 1] > x; --j) v[j] = v[j - 1];
    v[j] = x;
  }
}

// The best plane across `axis` for the sample, if it beats `bestScore`: every low and every high
// bound is a candidate position. At position p the pieces whose high bound is at most p lie
// behind, those whose low bound is at least p in front, those that are both lie in the plane,
// and the rest are cut. Positions that leave the whole sample on one side are passed over.
void bestAcross(const std::vector<PieceInfo>& info, int axis, Workspace& w, Splitter& best, long& bestScore) {
  w.los.clear();
  w.his.clear();
  w.flats.clear();
  for (int idx : w.sample) {
    const double lo = info[idx].lo[axis], hi = info[idx].hi[axis];
    w.los.push_back(lo);
    w.his.push_back(hi);
    if (lo == hi) w.flats.push_back(lo);
  }
  sortShort(w.los);
  sortShort(w.his);
  sortShort(w.flats);
  const std::size_t n = w.los.size();
  // Counts of low bounds < p, high bounds <= p, flat pieces < p and <= p, as p rises through
  // the merged bounds.
  std::size_t below = 0, notAbove = 0, flatBelow = 0, flatNotAbove = 0;
  std::size_t i = 0, j = 0;
  double last = 0;
  while (i < n || j < n) {
    const double p = j >= n || (i < n && w.los[i] <= w.his[j]) ? w.los[i++] : w.his[j++];
    if (i + j > 1 && p == last) continue;
    last = p;
    while (below < n && w.los[below] < p) ++below;
    while (notAbove < n && w.his[notAbove] <= p) ++notAbove;
    while (flatBelow < w.flats.size() && w.flats[flatBelow] < p) ++flatBelow;
    while (flatNotAbove < w.flats.size() && w.flats[flatNotAbove] <= p) ++flatNotAbove;
    const long inPlane = static_cast<long>(flatNotAbove - flatBelow);
    const long backs = static_cast<long>(notAbove) - inPlane;
    const long fronts = static_cast<long>(n - below) - inPlane;
    const long cuts = static_cast<long>(n) - backs - fronts - inPlane;
    if (fronts + cuts == 0 || backs + cuts == 0) continue;
    const long score = splitterScore(cuts, fronts, backs);
    if (score < bestScore) {
      bestScore = score;
      best = Splitter{};
      best.axis = axis;
      best.plane.normal[axis] = 1;
      best.plane.point[axis] = p;
    }
  }
}

// The axis along which planes between the sampled pieces are least likely: the one along which
// the sample's extent holds the fewest piece lengths (a height field's up axis, say).
int leastRoomyAxis(const std::vector<PieceInfo>& info, const std::vector<int>& sample) {
  Vec3 lo = info[sample[0]].lo, hi = info[sample[0]].hi, sum;
  for (int idx : sample) {
    const PieceInfo& pi = info[idx];
    lo = {std::min(lo.x, pi.lo.x), std::min(lo.y, pi.lo.y), std::min(lo.z, pi.lo.z)};
    hi = {std::max(hi.x, pi.hi.x), std::max(hi.y, pi.hi.y), std::max(hi.z, pi.hi.z)};
    sum = sum + (pi.hi - pi.lo);
  }
  int least = 0;
  double leastRoom = 0;
  for (int axis = 0; axis < 3; ++axis) {
    const double extent = hi[axis] - lo[axis];
    const double room = sum[axis] > 0 ? extent / sum[axis] : std::numeric_limits<double>::infinity();
    if (axis == 0 || room < leastRoom) {
      least = axis;
      leastRoom = room;
    }
  }
  return least;
}

// The splitter for a node's list. Candidates: the planes of a few faces spread over the list (of
// every face in a short list), and planes across two of the axes at the pieces' bounds. The
// latter find the gaps between objects: a height field is cut along its grid lines without
// cutting a triangle, and scattered walls are sorted into boxes before their own planes, which
// run through the whole scene, are used. A long list is judged on a sample of its faces, which
// finds the same good planes for a fraction of the work. Ties go to a face's plane, which also
// settles the faces lying in it. A plane across an axis is only taken when both its sides hold
// fewer pieces than the node, so that every step brings the building nearer its end.
Splitter chooseSplitter(const std::vector<int>& list, const std::vector<DepthFace>& faces,
                        const std::vector<PieceInfo>& info, Workspace& w, double tol) {
  constexpr std::size_t kAllFacesUpTo = 8;
  constexpr std::size_t kCandidates = 4;
  constexpr std::size_t kSample = 32;
  Splitter best;
  best.pick = 0;
  best.plane = info[list[0]].plane;
  if (list.size() < 2) return best;
  const std::size_t step = list.size() <= kAllFacesUpTo ? 1 : list.size() / kCandidates;
  const std::size_t stride = std::max<std::size_t>(1, list.size() / kSample);
  w.sample.clear();
  for (std::size_t k = 0; k < list.size(); k += stride) w.sample.push_back(list[k]);

  long bestScore = -1, bestCuts = 0;
  for (std::size_t c = 0; c < list.size(); c += step) {
    const int candidate = list[c];
    const Plane& p = info[candidate].plane;
    long cuts = 0, fronts = 0, backs = 0;
    for (int idx : w.sample) {
      switch (idx == candidate ? Side::On : classify(faces[idx], info[idx], p, tol)) {
        case Side::Front: ++fronts; break;
        case Side::Back: ++backs; break;
        case Side::Straddling: ++cuts; break;
        case Side::On: break;
      }
    }
    const long score = splitterScore(cuts, fronts, backs);
    if (bestScore < 0 || score < bestScore) {
      bestScore = score;
      bestCuts = cuts;
      best.pick = static_cast<std::ptrdiff_t>(c);
      best.plane = p;
    }
    if (score == 0) return best;
  }
  // In a short list a face that cuts nothing is as good as any plane can be: it settles itself,
  // and what is left is short anyway.
  if (list.size() <= kAllFacesUpTo && bestCuts == 0) return best;

  Splitter across;
  long acrossScore = bestScore;
  const int skipped = leastRoomyAxis(info, w.sample);
  for (int axis = 0; axis < 3; ++axis)
    if (axis != skipped) bestAcross(info, axis, w, across, acrossScore);
  if (across.axis < 0) return best;
  // Counted over the whole list, from the bounds alone.
  std::size_t fronts = 0, backs = 0;
  for (int idx : list) {
    const Side side = classifyAcross(info[idx], across.axis, across.plane.point[across.axis], tol);
    fronts += side == Side::Front || side == Side::Straddling;
    backs += side == Side::Back || side == Side::Straddling;
  }
  return fronts < list.size() && backs < list.size() ? across : best;
}

int newNode(DepthTree& tree, bool leaf) {
  tree.nodes.emplace_back();
  tree.nodes.back().leaf = leaf;
  return static_cast<int>(tree.nodes.size()) - 1;
}

// Sort a node's list to the node (pieces in its plane) and to its two sides, cutting the pieces
// that straddle it. A cut piece keeps its place for its front part; its back part is a new piece.
void partition(DepthTree& tree, int node, const std::vector<int>& list, const Splitter& splitter,
               std::vector<PieceInfo>& info, std::vector<int>& fronts, std::vector<int>& backs) {
  DepthTree::Node& n = tree.nodes[node];
  n.plane = splitter.plane;
  n.firstFace = static_cast<int>(tree.nodeFaces.size());
  for (std::size_t k = 0; k < list.size(); ++k) {
    const int idx = list[k];
    const Side side = static_cast<std::ptrdiff_t>(k) == splitter.pick
                          ? Side::On
                          : classify(tree.faces[idx], info[idx], splitter, tree.tolerance);
    switch (side) {
      case Side::On: tree.nodeFaces.push_back(idx); break;
      case Side::Front: fronts.push_back(idx); break;
      case Side::Back: backs.push_back(idx); break;
      case Side::Straddling: {
        DepthFace f, b;
        splitFace(tree.faces[idx], splitter.plane, f, b, tree.tolerance);
        // A piece keeps the plane of the face it came from (recomputing it from a sliver would
        // only add rounding); its sphere and bounds shrink to the piece.
        const Plane own = info[idx].plane;
        if (!f.points.empty()) {
          info[idx] = infoOf(f, own);
          tree.faces[idx] = std::move(f);
          fronts.push_back(idx);
          if (!b.points.empty()) {
            info.push_back(infoOf(b, own));
            tree.faces.push_back(std::move(b));
            tree.source.push_back(tree.source[idx]);
            backs.push_back(static_cast<int>(tree.faces.size()) - 1);
          }
        } else if (!b.points.empty()) {
          info[idx] = infoOf(b, own);
          tree.faces[idx] = std::move(b);
          backs.push_back(idx);
        }
        break;
      }
    }
  }
  tree.nodes[node].faceCount = static_cast<int>(tree.nodeFaces.size()) - tree.nodes[node].firstFace;
}

void fileSegment(DepthTree& tree, DepthSegment seg) {
  // Walk down; a cut segment continues on both sides, its two halves handled one after the other.
  std::vector<std::pair<int, DepthSegment>> work{{tree.root, seg}};
  while (!work.empty()) {
    const int node = work.back().first;
    const DepthSegment s = work.back().second;
    work.pop_back();
    DepthTree::Node& n = tree.nodes[node];
    if (n.leaf) {
      tree.segments.push_back(s);
      tree.nodes[node].segments.push_back(static_cast<int>(tree.segments.size()) - 1);
      continue;
    }
    const Side sa = sideOfEnd(n.plane, s.a, tree.tolerance), sb = sideOfEnd(n.plane, s.b, tree.tolerance);
    auto descend = [&](bool toFront, const DepthSegment& piece) {
      int child = toFront ? tree.nodes[node].front : tree.nodes[node].back;
      if (child < 0) {
        child = newNode(tree, true);
        (toFront ? tree.nodes[node].front : tree.nodes[node].back) = child;
      }
      work.emplace_back(child, piece);
    };
    if (sa == Side::On && sb == Side::On) {
      tree.segments.push_back(s);
      tree.nodes[node].segments.push_back(static_cast<int>(tree.segments.size()) - 1);
    } else if (sa != Side::Back && sb != Side::Back) {
      descend(true, s);
    } else if (sa != Side::Front && sb != Side::Front) {
      descend(false, s);
    } else {
      const double da = geometry::distance(n.plane, s.a), db = geometry::distance(n.plane, s.b);
      Vec3 x = lerp(s.a, s.b, da / (da - db));
      DepthSegment first{s.a, x, s.id}, second{x, s.b, s.id};
      // Pushed in reverse so that the first half is filed first.
      bool firstFront = sa == Side::Front;
      descend(!firstFront, second);
      descend(firstFront, first);
    }
  }
}

}  // namespace

DepthTree buildDepthTree(const std::vector<DepthFace>& input, const std::vector<DepthSegment>& segments,
                         double tolerance, std::stop_token stop) {
  DepthTree tree;
  tree.tolerance = tolerance;
  tree.faces = input;
  if (tree.faces.empty()) {
    if (!segments.empty()) tree.root = newNode(tree, true);
  } else {
    std::vector<PieceInfo> info;
    info.reserve(tree.faces.size());
    for (const DepthFace& f : tree.faces) info.push_back(infoOf(f, planeOf(f.points).value_or(Plane{{}, {0, 0, 1}})));
    tree.nodes.reserve(3 * tree.faces.size());
    tree.nodeFaces.reserve(tree.faces.size());

    Workspace w;
    std::vector<int> all(tree.faces.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
    tree.source = all;
    tree.root = newNode(tree, false);
    std::vector<std::pair<int, std::vector<int>>> work;
    work.emplace_back(tree.root, std::move(all));
    while (!work.empty() && !stop.stop_requested()) {
      auto [node, list] = std::move(work.back());
      work.pop_back();
      std::vector<int> fronts = takeList(w), backs = takeList(w);
      partition(tree, node, list, chooseSplitter(list, tree.faces, info, w, tolerance), info, fronts, backs);
      w.spare.push_back(std::move(list));
      for (auto [toFront, side] : {std::pair{true, &fronts}, std::pair{false, &backs}}) {
        if (side->empty()) {
          w.spare.push_back(std::move(*side));
          continue;
        }
        const int child = newNode(tree, false);
        (toFront ? tree.nodes[node].front : tree.nodes[node].back) = child;
        work.emplace_back(child, std::move(*side));
      }
    }
  }
  tree.faceNodes = tree.faces.empty() ? 0 : static_cast<int>(tree.nodes.size());
  for (const DepthSegment& s : segments) {
    if (stop.stop_requested()) break;
    fileSegment(tree, s);
  }
  return tree;
}

void refileSegments(DepthTree& tree, const std::vector<DepthSegment>& segments) {
  // The cells made for the old segments go, and with them the links to them.
  tree.nodes.resize(static_cast<std::size_t>(tree.faceNodes));
  for (DepthTree::Node& n : tree.nodes) {
    n.segments.clear();
    if (n.front >= tree.faceNodes) n.front = -1;
    if (n.back >= tree.faceNodes) n.back = -1;
  }
  tree.segments.clear();
  if (tree.faceNodes == 0) tree.root = segments.empty() ? -1 : newNode(tree, true);
  for (const DepthSegment& s : segments) fileSegment(tree, s);
}

std::vector<DepthStep> farToNear(const DepthTree& tree, Vec3 towardViewer) {
  std::vector<DepthStep> out;
  farToNear(tree, towardViewer, out);
  return out;
}

void farToNear(const DepthTree& tree, Vec3 towardViewer, std::vector<DepthStep>& out) {
  out.clear();
  if (tree.root < 0) return;
  out.reserve(tree.faces.size() + tree.segments.size());
  // Orthographic: the side of the viewer is the side the direction toward it points to. A leaf
  // has no children, so it is simply emitted.
  const auto viewerInFront = [&](const DepthTree::Node& n) { return dot(n.plane.normal, towardViewer) >= 0; };
  geometry::walkFarToNear(tree.nodes, tree.root, -1, viewerInFront, [&](const DepthTree::Node& n) {
    for (int i = 0; i < n.faceCount; ++i) out.push_back({true, tree.nodeFaces[n.firstFace + i]});
    for (int s : n.segments) out.push_back({false, s});
  });
}

}  // namespace kolvar::graphics
