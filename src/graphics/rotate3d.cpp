// Rotation mode: a drag that starts on the rotated axes turns its view. The mode puts its own
// button-up command into the figure's "WindowButtonUpFcn" at every call; running that command
// is what ends a drag, so a program that wraps the button-up handler and runs the saved command
// from its own handler keeps the mode working.
#include <algorithm>
#include <cmath>

#include "graphics/geometry.hpp"
#include "graphics/model.hpp"
#include "graphics/render.hpp"

namespace kolvar::graphics {

using namespace detail;

namespace {

// Degrees of view per pixel of pointer travel.
constexpr double kDegreesPerPixel = 0.5;

double wrapAzimuth(double az) {
  az = std::fmod(az, 360.0);
  if (az > 180) az -= 360;
  if (az <= -180) az += 360;
  return az;
}

}  // namespace

void rotate3d(Handle ax) {
  if (!ishandle(ax) || typeOf(ax) != "axes")
    throw Error("rotate3d: the handle does not name an axes.", ErrorKind::Property);
  const Handle fig = *ancestor(ax, "figure");
  Session& s = session();
  RotationMode& mode = s.rotation[fig];
  if (mode.axes != ax) mode = RotationMode{ax};
  // Installed again even when the mode is on: the program may have replaced it meanwhile.
  set(fig, "WindowButtonUpFcn", Value(std::string(kRotateButtonUp)));
}

bool rotationDragActive(Handle fig) {
  const Session& s = session();
  auto it = s.rotation.find(fig);
  return it != s.rotation.end() && it->second.dragging;
}

namespace detail {

void endRotationDrag(Handle fig) {
  Session& s = session();
  auto it = s.rotation.find(fig);
  if (it == s.rotation.end() || !it->second.dragging) return;
  it->second.dragging = false;
  finishSketches(fig);
}

bool startRotationDrag(Handle fig, double x, double y) {
  Session& s = session();
  auto it = s.rotation.find(fig);
  if (it == s.rotation.end()) return false;
  RotationMode& mode = it->second;
  if (!ishandle(mode.axes)) {
    s.rotation.erase(it);
    return false;
  }
  const Object& ax = object(mode.axes);
  if (ax.value("Visible").text() != "on" || !objectPixelRect(mode.axes).contains({x, y})) return false;
  const Matrix v = ax.value("View").matrix();
  mode.dragging = true;
  mode.startX = x;
  mode.startY = y;
  mode.startAzimuth = v[0];
  mode.startElevation = v[1];
  return true;
}

bool continueRotationDrag(Handle fig, double x, double y) {
  Session& s = session();
  auto it = s.rotation.find(fig);
  if (it == s.rotation.end() || !it->second.dragging) return false;
  RotationMode& mode = it->second;
  if (!ishandle(mode.axes)) {
    s.rotation.erase(it);
    return false;
  }
  // Measured from where the drag began, so rounding never accumulates. Dragging to the right
  // turns the scene with the pointer (the viewpoint moves the other way); dragging up raises
  // the viewpoint.
  const double az = wrapAzimuth(mode.startAzimuth - (x - mode.startX) * kDegreesPerPixel);
  const double el = std::clamp(mode.startElevation - (y - mode.startY) * kDegreesPerPixel, -90.0, 90.0);
  set(mode.axes, "View", Value::row({az, el}));
  return true;
}

}  // namespace detail

}  // namespace kolvar::graphics
