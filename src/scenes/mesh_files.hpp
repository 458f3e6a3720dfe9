#pragma once
// Polygon meshes from other programs' files: Wavefront OBJ and OFF. Each face becomes one polygon
// of the program's list, labelled by its 1-based place among the file's faces ("1", "2", ...).
// Reading is all-or-nothing: the first fault raises a kolvar::Error (ErrorKind::Input) whose
// message reads "FILE:LINE: fault", and nothing is returned. Faces must be flat and convex, as
// the program's polygons are: a face whose corners stray from its plane by more than a millionth
// of its size (what six significant digits in a file can hold), or that turns both ways or winds
// round more than once, is refused, as are faces with fewer than three corners or on one line.
// With `progress`, a reader reports as it goes and stops (throwing runtime::Cancelled) when asked.
#include <string>

#include "bsp/polygon.hpp"
#include "runtime/progress.hpp"

namespace kolvar::scenes {

// OBJ: "v x y z [w]" lines give the vertices, "f" lines the faces by vertex numbers in any of
// the forms i, i/t, i//n and i/t/n, counted from 1, or from the end when negative (-1 is the
// latest vertex). Texture and normal numbers are passed over, as are "o", "g" and every other
// statement; "#" starts a comment.
bsp::PolygonList parseObj(const std::string& text, const std::string& origin, runtime::Progress* progress = nullptr);
bsp::PolygonList readObj(const std::string& path);

// OFF: the word OFF, the counts of vertices, faces and edges, the vertices as "x y z", then the
// faces as "k i1 ... ik" with vertex numbers counted from 0 (a colour after them is passed over);
// "#" starts a comment.
bsp::PolygonList parseOff(const std::string& text, const std::string& origin, runtime::Progress* progress = nullptr);
bsp::PolygonList readOff(const std::string& path);

}  // namespace kolvar::scenes
