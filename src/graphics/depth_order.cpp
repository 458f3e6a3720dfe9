#include "graphics/depth_order.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace kolvar::graphics {

namespace {

int sideOf(double d) { return d > kDepthTolerance ? 1 : (d < -kDepthTolerance ? -1 : 0); }

bool samePoint(Vec3 a, Vec3 b) {
  return std::abs(a.x - b.x) <= 1e-12 && std::abs(a.y - b.y) <= 1e-12 && std::abs(a.z - b.z) <= 1e-12;
}

// Where a face lies relative to a plane.
enum class Side { Front, Back, Coplanar, Straddling };

// What the tree keeps about each piece: its own plane and a sphere around it, which settles
// most classifications without looking at the corners.
struct PieceInfo {
  Plane plane;
  Vec3 centre;
  double radius = 0;
};

PieceInfo infoOf(const DepthFace& f) {
  PieceInfo info;
  info.plane = planeOf(f.points).value_or(Plane{{0, 0, 1}, 0});
  for (const Vec3& p : f.points) info.centre = info.centre + p;
  if (!f.points.empty()) info.centre = (1.0 / static_cast<double>(f.points.size())) * info.centre;
  for (const Vec3& p : f.points) info.radius = std::max(info.radius, norm(p - info.centre));
  return info;
}

Side classify(const DepthFace& f, const PieceInfo& info, const Plane& p) {
  double c = dot(p.normal, info.centre) - p.offset;
  if (c > info.radius + kDepthTolerance) return Side::Front;
  if (c < -info.radius - kDepthTolerance) return Side::Back;
  bool anyFront = false, anyBack = false;
  for (const Vec3& v : f.points) {
    int s = sideOf(dot(p.normal, v) - p.offset);
    anyFront |= s > 0;
    anyBack |= s < 0;
    if (anyFront && anyBack) return Side::Straddling;
  }
  if (anyFront) return Side::Front;
  if (anyBack) return Side::Back;
  return Side::Coplanar;
}

// The edge flags of a face, all true when the caller gave none.
std::vector<bool> edgeFlags(const DepthFace& f) {
  if (f.edges.size() == f.points.size()) return f.edges;
  return std::vector<bool>(f.points.size(), true);
}

}  // namespace

Vec3 newellNormal(const std::vector<Vec3>& pts) {
  Vec3 n;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const Vec3& a = pts[i];
    const Vec3& b = pts[(i + 1) % pts.size()];
    n.x += (a.y - b.y) * (a.z + b.z);
    n.y += (a.z - b.z) * (a.x + b.x);
    n.z += (a.x - b.x) * (a.y + b.y);
  }
  return n;
}

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
  plane.offset = dot(plane.normal, c);
  return plane;
}

std::vector<DepthFace> flatFaces(DepthFace face) {
  std::vector<bool> flags = edgeFlags(face);
  // Drop repeated points (a closing copy of the first point, say): they make zero-length edges.
  DepthFace clean;
  clean.id = face.id;
  for (std::size_t i = 0; i < face.points.size(); ++i) {
    if (!clean.points.empty() && samePoint(face.points[i], clean.points.back())) {
      clean.edges.back() = flags[i];
      continue;
    }
    clean.points.push_back(face.points[i]);
    clean.edges.push_back(flags[i]);
  }
  while (clean.points.size() > 1 && samePoint(clean.points.back(), clean.points.front())) {
    clean.points.pop_back();
    clean.edges.pop_back();
  }
  std::optional<Plane> plane = planeOf(clean.points);
  if (!plane) return {};
  bool flat = true;
  for (const Vec3& p : clean.points) flat = flat && std::abs(dot(plane->normal, p) - plane->offset) <= kDepthTolerance;
  if (flat) return {std::move(clean)};

  // Not flat: a fan of triangles from the first point, each flat by construction.
  std::vector<DepthFace> out;
  std::size_t n = clean.points.size();
  for (std::size_t i = 1; i + 1 < n; ++i) {
    DepthFace t;
    t.id = clean.id;
    t.points = {clean.points[0], clean.points[i], clean.points[i + 1]};
    t.edges = {i == 1 && clean.edges[0], static_cast<bool>(clean.edges[i]), i + 2 == n && clean.edges[n - 1]};
    if (planeOf(t.points)) out.push_back(std::move(t));
  }
  return out;
}

void splitFace(const DepthFace& face, const Plane& plane, DepthFace& front, DepthFace& back) {
  front = DepthFace{{}, {}, face.id};
  back = DepthFace{{}, {}, face.id};
  std::vector<bool> flags = edgeFlags(face);
  std::size_t n = face.points.size();
  std::vector<double> d(n);
  for (std::size_t i = 0; i < n; ++i) d[i] = dot(plane.normal, face.points[i]) - plane.offset;
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t j = (i + 1) % n;
    const Vec3& p = face.points[i];
    int si = sideOf(d[i]), sj = sideOf(d[j]);
    bool e = flags[i];
    if (si > 0) {
      front.points.push_back(p);
      front.edges.push_back(e);
    } else if (si < 0) {
      back.points.push_back(p);
      back.edges.push_back(e);
    } else {
      // On the plane: a corner of both parts. Its outgoing edge is original only in the part
      // that the edge runs into; in the other part the outline continues along the cut.
      front.points.push_back(p);
      front.edges.push_back(sj >= 0 && e);
      back.points.push_back(p);
      back.edges.push_back(sj <= 0 && e);
    }
    if (si * sj < 0) {
      double t = d[i] / (d[i] - d[j]);
      Vec3 x = lerp(p, face.points[j], t);
      DepthFace& from = si > 0 ? front : back;
      DepthFace& into = si > 0 ? back : front;
      from.points.push_back(x);
      from.edges.push_back(false);
      into.points.push_back(x);
      into.edges.push_back(e);
    }
  }
  if (front.points.size() < 3 || !planeOf(front.points)) front.points.clear(), front.edges.clear();
  if (back.points.size() < 3 || !planeOf(back.points)) back.points.clear(), back.edges.clear();
}

// The box's walls stand at exactly +-0.5; points within the tolerance outside count as inside
// and are left where they are.
constexpr double kHalf = 0.5;
constexpr double kHalfSlack = 0.5 + kDepthTolerance;

DepthFace clipFaceToBox(const DepthFace& face) {
  bool inside = true;
  for (const Vec3& p : face.points)
    inside = inside && std::abs(p.x) <= kHalfSlack && std::abs(p.y) <= kHalfSlack && std::abs(p.z) <= kHalfSlack;
  if (inside) return face;
  DepthFace kept = face;
  kept.edges = edgeFlags(face);
  for (int axis = 0; axis < 3 && !kept.points.empty(); ++axis) {
    for (double sign : {1.0, -1.0}) {
      // Keep sign * coordinate <= 0.5, the front side of the plane with normal -sign * e_axis.
      Plane wall;
      wall.normal[axis] = -sign;
      wall.offset = -kHalf;
      DepthFace in, out;
      splitFace(kept, wall, in, out);
      kept = std::move(in);
      if (kept.points.empty()) break;
    }
  }
  return kept;
}

std::optional<DepthSegment> clipSegmentToBox(const DepthSegment& s) {
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

// The splitter among a few candidates spread over the list: fewest cuts first, then the most
// even split. Cuts make pieces, and pieces make every later step slower. A long list is judged
// on a sample of its faces, which finds the same good planes for a fraction of the work.
std::size_t chooseSplitter(const std::vector<int>& list, const std::vector<DepthFace>& faces,
                           const std::vector<PieceInfo>& info) {
  constexpr std::size_t kCandidates = 4;
  constexpr std::size_t kSample = 32;
  if (list.size() <= 2) return 0;
  std::size_t step = std::max<std::size_t>(1, list.size() / kCandidates);
  std::size_t stride = std::max<std::size_t>(1, list.size() / kSample);
  std::size_t best = 0;
  long bestScore = -1;
  for (std::size_t c = 0; c < list.size(); c += step) {
    const Plane& p = info[list[c]].plane;
    long cuts = 0, fronts = 0, backs = 0;
    for (std::size_t k = 0; k < list.size(); k += stride) {
      int idx = list[k];
      switch (classify(faces[idx], info[idx], p)) {
        case Side::Front: ++fronts; break;
        case Side::Back: ++backs; break;
        case Side::Straddling: ++cuts; break;
        case Side::Coplanar: break;
      }
    }
    long score = 8 * cuts + std::labs(fronts - backs);
    if (bestScore < 0 || score < bestScore) {
      bestScore = score;
      best = c;
    }
    if (score == 0) break;
  }
  return best;
}

int newNode(DepthTree& tree, bool leaf) {
  tree.nodes.emplace_back();
  tree.nodes.back().leaf = leaf;
  return static_cast<int>(tree.nodes.size()) - 1;
}

void fileSegment(DepthTree& tree, DepthSegment seg) {
  // Walk down; a cut segment continues on both sides, its two halves handled one after the other.
  std::vector<std::pair<int, DepthSegment>> work{{tree.root, seg}};
  while (!work.empty()) {
    auto [node, s] = work.back();
    work.pop_back();
    DepthTree::Node& n = tree.nodes[node];
    if (n.leaf) {
      tree.segments.push_back(s);
      tree.nodes[node].segments.push_back(static_cast<int>(tree.segments.size()) - 1);
      continue;
    }
    double da = dot(n.plane.normal, s.a) - n.plane.offset;
    double db = dot(n.plane.normal, s.b) - n.plane.offset;
    int sa = sideOf(da), sb = sideOf(db);
    auto descend = [&](bool toFront, const DepthSegment& piece) {
      int child = toFront ? tree.nodes[node].front : tree.nodes[node].back;
      if (child < 0) {
        child = newNode(tree, true);
        (toFront ? tree.nodes[node].front : tree.nodes[node].back) = child;
      }
      work.emplace_back(child, piece);
    };
    if (sa == 0 && sb == 0) {
      tree.segments.push_back(s);
      tree.nodes[node].segments.push_back(static_cast<int>(tree.segments.size()) - 1);
    } else if (sa >= 0 && sb >= 0) {
      descend(true, s);
    } else if (sa <= 0 && sb <= 0) {
      descend(false, s);
    } else {
      Vec3 x = lerp(s.a, s.b, da / (da - db));
      DepthSegment first{s.a, x, s.id}, second{x, s.b, s.id};
      // Pushed in reverse so that the first half is filed first.
      bool firstFront = sa > 0;
      descend(!firstFront, second);
      descend(firstFront, first);
    }
  }
}

}  // namespace

DepthTree buildDepthTree(const std::vector<DepthFace>& input, const std::vector<DepthSegment>& segments) {
  DepthTree tree;
  tree.faces = input;
  if (tree.faces.empty()) {
    if (!segments.empty()) tree.root = newNode(tree, true);
  } else {
    std::vector<PieceInfo> info;
    info.reserve(tree.faces.size());
    for (const DepthFace& f : tree.faces) info.push_back(infoOf(f));

    std::vector<int> all(tree.faces.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
    tree.root = newNode(tree, false);
    std::vector<std::pair<int, std::vector<int>>> work;
    work.emplace_back(tree.root, std::move(all));
    while (!work.empty()) {
      auto [node, list] = std::move(work.back());
      work.pop_back();
      std::size_t pick = chooseSplitter(list, tree.faces, info);
      const Plane plane = info[list[pick]].plane;
      tree.nodes[node].plane = plane;
      std::vector<int> fronts, backs;
      for (std::size_t k = 0; k < list.size(); ++k) {
        int idx = list[k];
        Side side = k == pick ? Side::Coplanar : classify(tree.faces[idx], info[idx], plane);
        switch (side) {
          case Side::Coplanar: tree.nodes[node].faces.push_back(idx); break;
          case Side::Front: fronts.push_back(idx); break;
          case Side::Back: backs.push_back(idx); break;
          case Side::Straddling: {
            DepthFace f, b;
            splitFace(tree.faces[idx], plane, f, b);
            // A piece keeps the plane of the face it came from (recomputing it from a sliver
            // would only add rounding); its sphere shrinks to the piece.
            Plane own = info[idx].plane;
            auto pieceInfo = [&](const DepthFace& piece) {
              PieceInfo pi = infoOf(piece);
              pi.plane = own;
              return pi;
            };
            if (!f.points.empty()) {
              info[idx] = pieceInfo(f);
              tree.faces[idx] = std::move(f);
              fronts.push_back(idx);
              if (!b.points.empty()) {
                info.push_back(pieceInfo(b));
                tree.faces.push_back(std::move(b));
                backs.push_back(static_cast<int>(tree.faces.size()) - 1);
              }
            } else if (!b.points.empty()) {
              info[idx] = pieceInfo(b);
              tree.faces[idx] = std::move(b);
              backs.push_back(idx);
            }
            break;
          }
        }
      }
      if (!fronts.empty()) {
        int child = newNode(tree, false);
        tree.nodes[node].front = child;
        work.emplace_back(child, std::move(fronts));
      }
      if (!backs.empty()) {
        int child = newNode(tree, false);
        tree.nodes[node].back = child;
        work.emplace_back(child, std::move(backs));
      }
    }
  }
  for (const DepthSegment& s : segments) fileSegment(tree, s);
  return tree;
}

std::vector<DepthStep> farToNear(const DepthTree& tree, Vec3 towardViewer) {
  std::vector<DepthStep> out;
  if (tree.root < 0) return out;
  out.reserve(tree.faces.size() + tree.segments.size());
  // Actions: visit a subtree (expands into its far side, itself, its near side) or emit a node.
  struct Action {
    int node;
    bool emit;
  };
  std::vector<Action> stack{{tree.root, false}};
  while (!stack.empty()) {
    Action a = stack.back();
    stack.pop_back();
    const DepthTree::Node& n = tree.nodes[a.node];
    if (a.emit || n.leaf) {
      for (int f : n.faces) out.push_back({true, f});
      for (int s : n.segments) out.push_back({false, s});
      continue;
    }
    bool viewerInFront = dot(n.plane.normal, towardViewer) >= 0;
    int farSide = viewerInFront ? n.back : n.front;
    int nearSide = viewerInFront ? n.front : n.back;
    if (nearSide >= 0) stack.push_back({nearSide, false});
    stack.push_back({a.node, true});
    if (farSide >= 0) stack.push_back({farSide, false});
  }
  return out;
}

}  // namespace kolvar::graphics
