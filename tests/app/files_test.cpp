// The student's own scenes: files of every kind opened by their content, generated scenes, the
// recent files, dropped files and the command line's file words.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/files.hpp"
#include "app_fixture.hpp"
#include "../support.hpp"
#include "graphics/guidance.hpp"
#include "graphics/headless.hpp"

using namespace kolvar;
using namespace kolvar::apptest;
namespace g = kolvar::graphics;
namespace fs = std::filesystem;

namespace {

const char* const kCubeObj =
    "# a unit cube\no cube\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
    "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n";
const char* const kTriangleOff = "OFF\n3 1 0\n100 200 0\n130 200 0\n100 260 0\n3 0 1 2\n";
const char* const kWallsJson =
    "{\"name\": \"two walls\", \"polygons\": [\n"
    " {\"label\": \"a\", \"points\": [[0,0,0],[2,0,0],[2,0,1],[0,0,1]]},\n"
    " {\"label\": \"b\", \"points\": [[1,-1,0],[1,1,0],[1,1,1],[1,-1,1]]}]}\n";

class Files : public KolvarApp {
 protected:
  void SetUp() override {
    KolvarApp::SetUp();
    folder_ = fs::temp_directory_path() / ("kolvar-files-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    fs::remove_all(folder_);
    KolvarApp::TearDown();
  }
  std::string write(const std::string& name, const std::string& text) {
    const fs::path p = folder_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  std::size_t popupEntries() { return g::get(tag("select_poly"), "String").numel(); }
  g::ScriptedDialogs& dialogs() { return dynamic_cast<g::ScriptedDialogs&>(g::backend().dialogs()); }

  fs::path folder_;
};

std::vector<double> row(const Value& v) { return v.matrix().data; }

}  // namespace

TEST_F(Files, ScenesOfEveryKindJoinThePopupAndShowInABoxOfTheirOwn) {
  // Told apart by content: the OBJ file is named .txt, the OFF file has no extension.
  const std::string obj = write("cube.txt", kCubeObj), off = write("triangle", kTriangleOff),
                    json = write("walls.json", kWallsJson);
  run("open " + obj + "\nopen " + off + "\nopen " + json + "\n");
  EXPECT_EQ(popupEntries(), 6u);
  const auto s = state();
  EXPECT_EQ(s["scene"], 6);
  EXPECT_EQ(s["scene_info"]["name"], "two walls");
  EXPECT_EQ(s["scene_info"]["polygons"], 2);
  EXPECT_EQ(s["scene_info"]["source"], json);
  EXPECT_EQ(labels(s["tree"]["front"]), (std::vector<std::string>{"a", "b"}));

  // The OFF triangle lies far from the origin, at 100..130 x 200..260: both 3-D views show a cube
  // around it, rounded to tidy ticks, and the scanner moved into it.
  run("scene 5\n");
  for (const char* view : {"axes1", "axes2"}) {
    const auto x = row(g::get(tag(view), "XLim")), y = row(g::get(tag(view), "YLim")),
               z = row(g::get(tag(view), "ZLim"));
    EXPECT_LE(x[0], 100);
    EXPECT_GE(x[1], 130);
    EXPECT_LE(y[0], 200);
    EXPECT_GE(y[1], 260);
    EXPECT_DOUBLE_EQ(x[1] - x[0], y[1] - y[0]);
    EXPECT_DOUBLE_EQ(z[1] - z[0], y[1] - y[0]);
    const auto ticks = row(g::get(tag(view), "XTick"));
    ASSERT_GE(ticks.size(), 4u);
    const double step = ticks[1] - ticks[0];
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
    EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 || std::abs(mantissa - 5) < 1e-9) << step;
    EXPECT_EQ(ticks.front(), x[0]);
  }
  const auto scanner = state()["scanner"];
  EXPECT_GE(scanner[0].get<double>(), 100 - 30);
  EXPECT_GE(scanner[1].get<double>(), 200);

  // Each opening is a step: undone, the scene before it shows again, and the popup keeps its entries.
  run("undo\n");
  EXPECT_EQ(state()["scene"], 6);
  run("undo\nundo\n");
  EXPECT_EQ(state()["scene"], 4);
  EXPECT_EQ(popupEntries(), 6u);
  // A preset keeps the window's own limits.
  run("scene 1\n");
  EXPECT_EQ(row(g::get(tag("axes1"), "XLim")), (std::vector<double>{-4, 4}));
  EXPECT_EQ(state()["scene_info"]["source"], "preset");
  EXPECT_EQ(state()["scene_info"]["name"], "five vertical walls");
}

TEST_F(Files, ABadFileIsRefusedWholeWithItsPlaceAndChangesNothing) {
  run("scene 3\nclick 2\n");
  const std::string before = app::stateJson(fig);
  const struct {
    const char* name;
    std::string text;
    std::string fault;
  } bad[] = {
      {"bent.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0.5\nf 1 2 3\nf 1 2 3 4\n", "bent.obj:6: "},
      {"short.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n", "short.off:"},
      {"nothing.obj", "# only a comment\nv 0 0 0\n", "holds no polygons"},
      {"notes.txt", "Dear students,\nhere is the scene.\n", "is not a file kolvar reads"},
      {"list.json", "{\"walls\": []}", "neither a scene"},
      {"broken.json", "{\"polygons\": [{\"label\": \"1\", \"points\": [[0,0,0],[1,0,0]]}]}", "broken.json"},
  };
  for (const auto& b : bad) {
    const std::string path = write(b.name, b.text);
    const std::string message = messageOf([&] { run("open " + path + "\n"); });
    EXPECT_NE(message.find(b.fault), std::string::npos) << b.name << ": " << message;
    EXPECT_EQ(app::stateJson(fig), before) << b.name;
    EXPECT_EQ(popupEntries(), 3u) << b.name;
  }
  EXPECT_NE(messageOf([&] { run("open " + folder_.string() + "\n"); }).find("is a folder"), std::string::npos);
  // A device would be read without end.
  EXPECT_NE(messageOf([&] { run("open /dev/zero\n"); }).find("is not a regular file"), std::string::npos);
}

TEST_F(Files, GeneratedScenesAreTheSameForTheSameWordsAndRefuseBadOnes) {
  run("generate walls 30 5\ngenerate walls 30 5\ngenerate room 2\n");
  EXPECT_EQ(state()["scene_info"]["polygons"], 6 + 4 * 4);
  run("scene 4\n");
  const auto first = state()["tree"]["front"];
  run("scene 5\n");
  EXPECT_EQ(state()["tree"]["front"], first);
  EXPECT_EQ(first.size(), 30u);
  EXPECT_EQ(state()["scene_info"]["source"], "generated");
  for (const char* line : {"generate walls 30", "generate cubes 3 1", "generate terrain -3", "generate walls x 1",
                           "generate walls 100001 1"})
    EXPECT_NE(messageOf([&] { run(std::string(line) + "\n"); }), "no error") << line;
  EXPECT_EQ(popupEntries(), 6u);

  // The dialog of File > Generate Scene: the kind chosen and its numbers.
  dialogs().forms.push_back({"terrain patch", "3", "1"});
  g::menuAction(tag("GenerateMenuItem"));
  EXPECT_EQ(state()["scene_info"]["name"], "terrain 3");
  EXPECT_EQ(state()["scene_info"]["polygons"], 18);
  // Cancelled, nothing happens; a bad number is shown in a dialog.
  g::menuAction(tag("GenerateMenuItem"));
  dialogs().forms.push_back({"boxes", "many", "1"});
  ::testing::internal::CaptureStderr();
  g::menuAction(tag("GenerateMenuItem"));
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(dialogs().asked.back().kind, "error");
  EXPECT_EQ(popupEntries(), 7u);
}

TEST_F(Files, OpenedFilesHeadTheRecentFilesAndOpenAgainFromThere) {
  const std::string cube = write("cube.obj", kCubeObj), walls = write("walls.json", kWallsJson);
  run("open " + cube + "\nopen " + walls + "\nopen " + cube + "\n");
  EXPECT_EQ(app::recentFiles(), (std::vector<std::string>{cube, walls}));
  const auto items = g::childrenOf(tag("RecentMenu"));
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(g::get(tag("RecentMenu"), "Enable").text(), "on");
  // The first item is the latest file; choosing it opens it once more.
  const auto latest = std::find_if(items.begin(), items.end(),
                                   [&](g::Handle h) { return g::get(h, "UserData").text() == cube; });
  ASSERT_NE(latest, items.end());
  g::menuAction(*latest);
  EXPECT_EQ(popupEntries(), 7u);
  EXPECT_EQ(state()["scene_info"]["name"], "cube");

  // A file dropped on the window opens the same way.
  g::dropFiles(fig, {walls});
  EXPECT_EQ(popupEntries(), 8u);
  EXPECT_EQ(state()["scene_info"]["name"], "two walls");
}

TEST_F(Files, AKolvarLayoutFromFileOpenIsAWorkingWindowOfItsOwn) {
  run("scene 3\nclick 2\n");
  const std::string grown = app::stateJson(fig);
  const std::string layout = write("copy.fig", app::embeddedLayoutText());
  dialogs().files.push_back(g::FileChoice{"copy.fig", folder_.string()});
  g::menuAction(tag("OpenMenuItem"));
  const auto windows = g::findall(g::kRoot, std::string_view("figure"));
  ASSERT_EQ(windows.size(), 2u);
  const g::Handle second = windows[0] == fig ? windows[1] : windows[0];
  ASSERT_TRUE(app::holdsProgramState(gui::guidata(second)));
  // Its controls act on its own tree: choosing scene 2 there leaves the first window as it was.
  const g::Handle popup = gui::guidata(second).field("select_poly").scalar();
  g::controlAction(popup, Value(2.0));
  EXPECT_EQ(nlohmann::json::parse(app::stateJson(second))["scene"], 2);
  EXPECT_EQ(nlohmann::json::parse(app::stateJson(second))["tree"]["front"].size(), 3u);
  EXPECT_EQ(app::stateJson(fig), grown);
}

// What the desktop calls kolvar's files (the MIME types the package installs) is what the
// command line, and so a double click, and File > Open take: a scene named .kscene once opened
// nowhere.
TEST_F(Files, EveryNameTheDesktopGivesKolvarsFilesOpensFromTheCommandLineAndFileOpen) {
  std::ifstream mime(std::string(KOLVAR_TEST_DATA) + "/../../data/kolvar-mime.xml");
  const std::string xml((std::istreambuf_iterator<char>(mime)), {});
  std::vector<std::string> extensions;
  const std::string glob = "<glob pattern=\"*";
  for (auto at = xml.find(glob); at != std::string::npos; at = xml.find(glob, at + 1))
    extensions.push_back(xml.substr(at + glob.size(), xml.find('"', at + glob.size()) - at - glob.size()));
  ASSERT_GE(extensions.size(), 3u);
  for (const std::string& ext : extensions) {
    const std::string file = write("double-clicked" + ext, kWallsJson);
    EXPECT_EQ(app::parseOptions({file}).files, (std::vector<std::string>{file})) << ext;
  }
  dialogs().files.push_back(g::FileChoice{"double-clicked.kscene", folder_.string()});
  g::menuAction(tag("OpenMenuItem"));
  const auto asked = std::find_if(dialogs().asked.begin(), dialogs().asked.end(),
                                  [](const auto& a) { return a.kind == "getFile"; });
  ASSERT_NE(asked, dialogs().asked.end());
  for (const std::string& ext : extensions) EXPECT_NE(asked->text.find("*" + ext), std::string::npos) << asked->text;
  EXPECT_EQ(state()["scene_info"]["name"], "two walls");
}

TEST(CommandLine, WordsThatNameExistingSceneFilesAreOpenedAndOtherWordsGoToTheWindow) {
  const fs::path file = fs::temp_directory_path() / ("kolvar-cli-" + std::to_string(::getpid()) + ".obj");
  std::ofstream(file) << kCubeObj;
  const app::Options o = app::parseOptions({"Visible", "off", file.string(), "missing.obj", "--script", "s.txt"});
  fs::remove(file);
  EXPECT_EQ(o.files, (std::vector<std::string>{file.string()}));
  EXPECT_EQ(o.words, (std::vector<std::string>{"Visible", "off", "missing.obj"}));
  EXPECT_EQ(o.script, "s.txt");
}
