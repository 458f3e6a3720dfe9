// Scene files: the preset files, the round trip and every fault a file can have.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../support.hpp"
#include "bsp/bsp.hpp"

namespace kolvar::bsp {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(SceneFile, PresetFilesMatchThePresetsAndReadBackExactly) {
  const auto presets = presetScenes();
  for (std::size_t s = 0; s < presets.size(); ++s) {
    const std::string path = std::string(KOLVAR_TEST_DATA) + "/scenes/scene" + std::to_string(s + 1) + ".json";
    const Scene expected{"Scene " + std::to_string(s + 1), presets[s]};
    EXPECT_EQ(readFile(path), sceneToJson(expected)) << path;
    const Scene loaded = loadScene(path);
    EXPECT_EQ(loaded.name, expected.name);
    ASSERT_EQ(loaded.polygons.size(), presets[s].size());
    for (std::size_t i = 0; i < presets[s].size(); ++i) {
      EXPECT_EQ(loaded.polygons[i]->label, presets[s][i]->label);
      EXPECT_EQ(loaded.polygons[i]->points, presets[s][i]->points);
      EXPECT_EQ(loaded.polygons[i]->normal, presets[s][i]->normal);
    }
  }
}

TEST(SceneFile, AFaultIsNamedWithFileAndPolygon) {
  const std::string tri = R"([[0,0,0],[1,0,0],[0,1,0]])";
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"{\"name\": \"x\",\n \"polygons\": [{\"label\": \"1\", \"points\": [[0,0,0],[1,0,0],[0,1,0}]}",
       "s.json: not valid JSON at line 2, column 63 (in polygons[0] (label \"1\"), points[2][3]): syntax "
       "error while parsing array - unexpected '}'; expected ']'."},
      {"[1, 2]", "s.json: a scene must be a JSON object with \"name\" and \"polygons\", not array."},
      {R"({"polygons": []})", "s.json: field \"name\" is missing."},
      {R"({"name": "x", "polygons": {}})", "s.json: field \"polygons\" must be a list, not {}."},
      {R"({"name": "x", "polygons": [{"points": )" + tri + "}]}",
       "s.json: polygons[0] (no label): field \"label\" is missing."},
      {R"({"name": "x", "polygons": [{"label": "a", "points": )" + tri + R"(}, {"label": "b"}]})",
       "s.json: polygons[1] (label \"b\"): field \"points\" is missing."},
      {R"({"name": "x", "polygons": [{"label": "b", "points": [[0,0,0],[1,0,0]]}]})",
       "s.json: polygons[0] (label \"b\"): fewer than three vertices (2)."},
      {R"({"name": "x", "polygons": [{"label": "b", "points": [[0,0,0],[1,0],[0,1,0]]}]})",
       "s.json: polygons[0] (label \"b\"): points[1] must be a list of three numbers [x, y, z], not [1,0]."},
      {R"({"name": "x", "polygons": [{"label": "b", "points": [[0,0,0],[1,0,0],[0,"1",0]]}]})",
       "s.json: polygons[0] (label \"b\"): points[2][1] is not a number: \"1\"."},
      {R"({"name": "x", "polygons": [{"label": "b", "points": [[0,0,0],[1,0,0],[0,1,1e300]]}]})",
       "s.json: polygons[0] (label \"b\"): points[2] has a coordinate beyond +-1e15."},
      {R"({"name": "x", "polygons": [{"label": "b", "points": [[0,0,0],[1,1,1],[3,3,3]]}]})",
       "s.json: polygons[0] (label \"b\"): all vertices lie on one line, so the polygon has no plane."},
      // As in the mesh files: a bent polygon, a dented one and a bow tie, after a good one.
      {R"({"name": "x", "polygons": [{"label": "a", "points": )" + tri +
           R"(}, {"label": "bent", "points": [[0,0,0],[1,0,0],[1,1,0.5],[0,1,0]]}]})",
       "s.json: polygons[1] (label \"bent\"): the polygon is not flat."},
      {R"({"name": "x", "polygons": [{"label": "dent", "points": [[0,0,0],[1,0,0],[1,1,0],[0.5,0.2,0],[0,1,0]]}]})",
       "s.json: polygons[0] (label \"dent\"): the polygon is not convex."},
      {R"({"name": "x", "polygons": [{"label": "bow", "points": [[0,0,0],[1,0,0],[0,1,0],[1,1,0]]}]})",
       "s.json: polygons[0] (label \"bow\"): the polygon is not convex."},
  };
  for (const auto& c : cases) EXPECT_EQ(messageOf([&] { parseScene(c.text, "s.json"); }), c.message);
}

TEST(SceneFile, NestingAndDuplicateKeysAreRefusedWithAShortMessage) {
  // 65,000 levels of lists where a point should be: refused at the limit, quoted in brief.
  const std::string deep = R"({"name": "x", "polygons": [{"label": "a", "points": )" + std::string(65000, '[') +
                           std::string(65000, ']') + "}]}";
  const std::string message = messageOf([&] { parseScene(deep, "deep.json"); });
  EXPECT_EQ(message, "deep.json: line 1, column 250: lists and objects are nested more than 200 deep.");
  EXPECT_EQ(messageOf([&] { parseScene(R"({"name": "x", "name": "y", "polygons": []})", "d.json"); }),
            "d.json: line 1, column 20: the key \"name\" is given twice in one object.");
}

TEST(SceneFile, AFileThatCannotBeReadIsNamed) {
  const std::string missing = std::string(KOLVAR_TEST_DATA) + "/scenes/no-such-scene.json";
  EXPECT_EQ(messageOf([&] { loadScene(missing); }), missing + ": cannot open the scene file: No such file or directory.");
  EXPECT_THROW(loadScene(KOLVAR_TEST_DATA), Error);
}

}  // namespace
}  // namespace kolvar::bsp

// A fault in a polygon whose long label has a two-byte character where the message cuts it: the
// message once cut the character in half, and writing that half as JSON ended the program.
TEST(SceneFile, ALongLabelIsCutBetweenCharactersInTheMessage) {
  const std::string label = std::string(39, 'u') + "\xC3\xA9" + "tail";
  const std::string text = R"({"name": "s", "polygons": [{"label": ")" + label + R"(", "points": [[0,0,0],[1,0,0]]}]})";
  const std::string m = kolvar::messageOf([&] { kolvar::bsp::parseScene(text, "long.json"); });
  EXPECT_NE(m.find("long.json"), std::string::npos) << m;
  EXPECT_NE(m.find(std::string(39, 'u') + "..."), std::string::npos) << m;
}
