#pragma once
// Generated scenes: polygon lists made from a few numbers, for the benchmarks, the command-line
// tools and the tests that check the core on scenes larger and stranger than the presets. Each
// is a function of its parameters alone: the same parameters give the same polygons, to the bit,
// on every machine (the random ones draw from a generator whose sequence the standard fixes and
// turn its bits into numbers themselves, rather than through the library's distributions).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bsp/polygon.hpp"
#include "bsp/scene_file.hpp"

namespace kolvar::scenes {

// `count` vertical walls, each 1 unit high and 0.5 to 2 units long at a random angle, with their
// centres scattered over [0, 100] x [0, 100]; labels "w1", "w2", ... Vertices run bottom, bottom,
// top, top, like the preset walls.
bsp::PolygonList walls(std::size_t count, std::uint64_t seed);

// `count` closed boxes standing on z = 0, each 1 to 5 units along its sides and 1 to 3 high,
// turned about the vertical by a random angle, with their centres over [0, 100] x [0, 100]. Boxes
// may pierce each other. Every box is six quadrilaterals facing outwards, labelled "b3.1" to
// "b3.6" for the third box (bottom, top, then the four sides). All bottoms lie in one plane.
bsp::PolygonList boxes(std::size_t count, std::uint64_t seed);

// A height field over [0, size] x [0, size]: size x size unit cells, each two triangles facing
// upwards, heights from a fixed sum of waves. Labels "t1", "t2", ... row by row, two per cell.
// Neighbouring triangles share their edges exactly. A size of 0 gives no polygons.
bsp::PolygonList terrain(std::size_t size);

// A room 3n x 3n wide and 3 high around n x n square pillars 1 unit across, standing on a 3-unit
// grid. The floor ("floor") and the ceiling ("ceiling") and the four walls ("wall1" to "wall4")
// face into the room; each pillar's four sides ("p2.3" is the third side of the second pillar)
// face out of it. The pillars of a row have their sides in common planes.
bsp::PolygonList roomWithPillars(std::size_t n);

// A scene from the generator's words, named by them: "walls COUNT SEED", "boxes COUNT SEED",
// "terrain SIZE" or "room N". An Input error with the usage for anything else, and for sizes
// beyond what the window shows (100,000 polygons; 100 pillars a side).
bsp::Scene generate(const std::vector<std::string>& words);

}  // namespace kolvar::scenes
