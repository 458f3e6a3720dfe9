#pragma once
// Small 3-D vector arithmetic shared by the camera, the depth order and the lighting.
#include <cmath>

namespace kolvar::graphics {

struct Vec3 {
  double x = 0;
  double y = 0;
  double z = 0;

  double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
  double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
  friend bool operator==(const Vec3&, const Vec3&) = default;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(double s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
inline Vec3 operator*(Vec3 a, double s) { return s * a; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double norm(Vec3 a) { return std::sqrt(dot(a, a)); }
// The unit vector along `a`; the zero vector stays zero.
inline Vec3 normalized(Vec3 a) {
  double n = norm(a);
  return n > 0 ? (1.0 / n) * a : a;
}
inline Vec3 lerp(Vec3 a, Vec3 b, double t) { return a + t * (b - a); }

}  // namespace kolvar::graphics
