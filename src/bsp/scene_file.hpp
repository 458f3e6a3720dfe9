#pragma once
// Scene files: JSON of the form
//   {"name": "walls", "polygons": [{"label": "1", "points": [[x, y, z], ...]}, ...]}
// Loading is all-or-nothing: a bad file raises a kolvar::Error (ErrorKind::Input) whose message
// names the file, the polygon (its JSON path and label) and the fault, and nothing is built.
#include <string>

#include "bsp/polygon.hpp"

namespace kolvar::bsp {

struct Scene {
  std::string name;
  PolygonList polygons;
};

// Reads and parses the file at `path`; messages name it by that path.
Scene loadScene(const std::string& path);
// Parses scene text; `origin` names it in messages (a file name).
Scene parseScene(const std::string& text, const std::string& origin);
// The scene as JSON text in the same format, one polygon per line; numbers are written so that
// they read back to the same doubles.
std::string sceneToJson(const Scene& scene);

}  // namespace kolvar::bsp
