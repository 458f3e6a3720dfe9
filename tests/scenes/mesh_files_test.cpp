// Meshes from OBJ and OFF files: every index form, and every fault refused whole with the file,
// the line and what is wrong.
#include <gtest/gtest.h>

#include "../support.hpp"
#include "scenes/mesh_files.hpp"

namespace kolvar::scenes {
namespace {

using geometry::Vec3;
using Points = std::vector<Vec3>;

std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Input);
    return e.what();
  }
  return "no error";
}

TEST(MeshFiles, ObjTakesEveryIndexFormAndCountsNegativeIndicesFromTheLatestVertex) {
  const std::string text = R"(# a unit square and a triangle above it
mtllib scene.mtl
o square
v 0 0 0
v 1 0 0
v 1 1 0
v 0 1 0 1.0
vt 0 0
vn 0 0 1
g top
usemtl red
f 1 2/1 3//1 4/1/1
v 0 0 2
v 1 0 2
v 0 1 2
f -3 -2/1 -1//1   # the three just read
s off
)";
  const bsp::PolygonList mesh = parseObj(text, "scene.obj");
  ASSERT_EQ(mesh.size(), 2u);
  EXPECT_EQ(mesh[0]->label, "1");
  EXPECT_EQ(mesh[0]->points, (Points{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
  EXPECT_EQ(mesh[1]->label, "2");
  EXPECT_EQ(mesh[1]->points, (Points{{0, 0, 2}, {1, 0, 2}, {0, 1, 2}}));
  EXPECT_EQ(mesh[1]->normal, (Vec3{0, 0, 1}));
}

TEST(MeshFiles, ABadObjFileIsRefusedWholeNamingTheLineAndTheFault) {
  const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"v 0 0 x\n", "m.obj:1: \"x\" is not a finite number"},
      {"v 0 0\n", "m.obj:1: a vertex needs three coordinates (and at most a weight)"},
      {square + "f 1 2 5\n", "m.obj:5: vertex 5 does not exist (4 so far)"},
      {square + "f 0 1 2\n", "m.obj:5: vertex 0 does not exist (4 so far)"},
      {square + "f -5 1 2\n", "m.obj:5: vertex -5 does not exist (4 so far)"},
      {square + "f 1 a 2\n", "m.obj:5: \"a\" is not a vertex number"},
      {square + "f 1 2 3\nf 1 2\n", "m.obj:6: face 2: fewer than three vertices (2)"},
      {square + "v 2 0 0\nf 1 2 5\n", "m.obj:6: face 1: all vertices lie on one line, so the polygon has no plane"},
      {square + "v 1 1 0.5\nf 1 2 5 4\n", "m.obj:6: face 1: the face is not flat"},
      {square + "v 0.5 0.2 0\nf 1 2 3 5 4\n", "m.obj:6: face 1: the face is not convex"},  // a dent
      {square + "f 1 2 4 3\n", "m.obj:5: face 1: the face is not convex"},  // a bow tie
  };
  for (const auto& c : cases) EXPECT_EQ(errorOf([&] { parseObj(c.text, "m.obj"); }), c.message) << c.text;
  EXPECT_EQ(errorOf([] { readObj("/nonexistent/m.obj"); }), "/nonexistent/m.obj: cannot open the file");
}

TEST(MeshFiles, OffReadsCountsVerticesAndFacesCountedFromZero) {
  const std::string text = R"(OFF
# a square and a triangle
5 2 0
0 0 0
1 0 0
1 1 0
0 1 0
0.5 0.5 1
4 0 1 2 3
3 0 1 4 0.8 0.2 0.2   # with a colour
)";
  const bsp::PolygonList mesh = parseOff(text, "m.off");
  ASSERT_EQ(mesh.size(), 2u);
  EXPECT_EQ(mesh[0]->points, (Points{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
  EXPECT_EQ(mesh[1]->label, "2");
  EXPECT_EQ(mesh[1]->points, (Points{{0, 0, 0}, {1, 0, 0}, {0.5, 0.5, 1}}));
  EXPECT_EQ(parseOff("OFF 3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", "m.off").size(), 1u);  // counts beside OFF
}

TEST(MeshFiles, ABadOffFileIsRefusedWholeNamingTheLineAndTheFault) {
  const std::string head = "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n";
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"3 1 0\n", "m.off:1: the file does not start with OFF"},
      {"OFF\n3 one 0\n", "m.off:2: expected the counts of vertices, faces and edges"},
      {"OFF\n3 1 0\n0 0 0\n1 0 0\n", "m.off:4: the file ends after 2 of 3 vertices"},
      {"OFF\n3 1 0\n0 0 0\n1 0 nan\n0 1 0\n", "m.off:4: \"nan\" is not a finite number"},
      {head + "3 0 1 3\n", "m.off:6: vertex 3 does not exist (numbers run from 0 to 2)"},
      {head + "4 0 1 2\n", "m.off:6: a face needs its count of corners and that many vertex numbers"},
      {head + "3 0 1 2\n3 0 1 2\n", "m.off:7: more lines than the counts announce"},
      {head, "m.off:5: the file ends after 0 of 1 faces"},
  };
  for (const auto& c : cases) EXPECT_EQ(errorOf([&] { parseOff(c.text, "m.off"); }), c.message) << c.text;
}

}  // namespace
}  // namespace kolvar::scenes
