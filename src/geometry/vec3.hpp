#pragma once
// Vec3: a point or direction in 3-D space, and the vector arithmetic every layer above shares
// (the BSP core in scene units, the renderer in box and view space).
#include <cmath>

namespace kolvar::geometry {

struct Vec3 {
  double x = 0;
  double y = 0;
  double z = 0;

  // Component 0, 1 or 2; any other index reads z.
  double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
  double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
  friend bool operator==(const Vec3&, const Vec3&) = default;
};

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(double s, const Vec3& a) { return {s * a.x, s * a.y, s * a.z}; }
inline Vec3 operator*(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }

inline double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Right-hand rule: cross(x axis, y axis) is the z axis.
inline Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }

// The unit vector along `a`; the zero vector stays zero.
inline Vec3 normalized(const Vec3& a) {
  const double n = norm(a);
  return n > 0 ? (1.0 / n) * a : a;
}

// a at t = 0, b at t = 1.
inline Vec3 lerp(const Vec3& a, const Vec3& b, double t) { return a + t * (b - a); }

inline bool isFinite(const Vec3& a) {
  return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

}  // namespace kolvar::geometry
