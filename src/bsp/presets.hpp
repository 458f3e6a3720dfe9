#pragma once
// The three preset scenes the program offers in its scene popup.
#include <array>

#include "bsp/polygon.hpp"

namespace kolvar::bsp {

// Scene 1: five vertical walls labelled "1" to "5". Scene 2: three triangles in the parallel
// planes x = -2, 0, 2, labelled "1" to "3". Scene 3: three vertical walls labelled "1" to "3";
// the planes of walls 2 and 3 both cut wall 1, which shows splitting twice.
// The vertex order of every polygon is part of the data: it fixes which way the polygon faces.
std::array<PolygonList, 3> presetScenes();

}  // namespace kolvar::bsp
