#pragma once
// The camera of an axes: an orthographic view of its limits box from a view direction
// [azimuth elevation] in degrees, fitted into the axes' pixel rectangle.
//
// Three spaces are involved. Data space is what the objects hold. Box space is the limits box
// scaled to the unit cube centred on the origin (every axis as long as the others, as an axes
// with automatic aspect ratios shows it). View space is box space turned so that x points right
// on the screen, y up and z towards the viewer. Pixels are figure pixels, y downwards.
#include <array>
#include <utility>

#include "graphics/display_list.hpp"
#include "graphics/geometry_math.hpp"

namespace kolvar::graphics {

struct Limits {
  Vec3 lo{0, 0, 0};
  Vec3 hi{1, 1, 1};
  friend bool operator==(const Limits&, const Limits&) = default;
};

struct Camera {
  Limits limits;
  Vec3 center;      // of the limits box, data units
  Vec3 span{1, 1, 1};  // of the limits box, data units (never zero)
  Vec3 right;       // box-space unit vectors of the screen's right, up and towards-viewer axes
  Vec3 up;
  Vec3 toViewer;
  double kx = 1;    // pixels per box unit along the screen's x and y
  double ky = 1;
  Point origin;     // pixel where the box centre lands
  Rect plot;        // the axes rectangle the box is fitted into
  bool planView = false;  // a straight view along an axis: the box fills the rectangle
  friend bool operator==(const Camera&, const Camera&) = default;
};

// Sine and cosine of an angle in degrees, exact at multiples of 90 degrees so that the plan and
// side views come out without rounding residue.
double sind(double degrees);
double cosd(double degrees);

// True for a straight view along one of the box's axes with the other two lined up with the
// screen: from above or below (elevation +-90) or level (elevation 0), the azimuth a multiple of
// 90. Such a view is a flat chart: the plot box fills the whole rectangle, so the top, front and
// side views show the scene at the same size. Any other view keeps the box's proportions, scaled so that it fits the
// rectangle at every azimuth and elevation; rotating then never makes the box jump in size.
bool isPlanView(double azimuthDeg, double elevationDeg);

// The camera for `limits` seen from (az, el), fitted into `plot`. Limits whose range is empty or
// reversed are treated as a range of one unit, so the camera is always invertible.
Camera makeCamera(const Limits& limits, double azimuthDeg, double elevationDeg, const Rect& plot);

Vec3 dataToBox(const Camera& cam, Vec3 p);
Vec3 boxToData(const Camera& cam, Vec3 b);
// Inline: the display list runs every corner of every face through these two.
inline Vec3 boxToView(const Camera& cam, Vec3 b) { return {dot(cam.right, b), dot(cam.up, b), dot(cam.toViewer, b)}; }
// Box-space direction of a data-space direction (a light's position at infinity, for instance).
Vec3 dataDirectionToBox(const Camera& cam, Vec3 d);
// Box-space normal of a plane whose data-space normal is `n` (normals scale inversely).
Vec3 dataNormalToBox(const Camera& cam, Vec3 n);
inline Point viewToPixel(const Camera& cam, Vec3 v) {
  return {cam.origin.x + cam.kx * v.x, cam.origin.y - cam.ky * v.y};
}
// Pixel of a data point and its depth (larger is nearer the viewer, in box units).
Point dataToPixel(const Camera& cam, Vec3 p);
double depthOf(const Camera& cam, Vec3 p);

// The eight corners of the limits box in box space, index bits (x, y, z) low to high.
std::array<Vec3, 8> boxCorners();

// The line of sight through pixel (px, py) in data units: near point first. It is clipped to
// the limits box; where it misses the box, its points on the planes through the box's nearest
// and farthest corners (planes facing the viewer) are given instead.
std::pair<Vec3, Vec3> lineOfSight(const Camera& cam, double px, double py);

}  // namespace kolvar::graphics
