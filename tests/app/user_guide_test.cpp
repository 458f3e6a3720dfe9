// The user's guide says what the program does: its exercise scripts run and print the answers it
// gives, its example files load, and it names every script command and every check box tag.
#include <fstream>
#include <regex>
#include <sstream>

#include "../support.hpp"
#include "app/session.hpp"
#include "app_fixture.hpp"
#include "bsp/scene_file.hpp"
#include "scenes/mesh_files.hpp"

using namespace kolvar;
using kolvar::apptest::KolvarApp;

namespace {

std::string sourceFile(const std::string& path) {
  std::ifstream in(std::string(KOLVAR_TEST_DATA) + "/../../" + path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
std::string guideText() { return sourceFile("docs/guide.md"); }

// The fenced blocks of the guide in order, with their kind (the word after the fence).
std::vector<std::pair<std::string, std::string>> blocks(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> out;
  const std::regex fence("```([a-z]*)\\n([\\s\\S]*?)```");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), fence); it != std::sregex_iterator(); ++it)
    out.emplace_back((*it)[1], (*it)[2]);
  return out;
}

class UserGuide : public KolvarApp {};

}  // namespace

TEST_F(UserGuide, EveryExerciseScriptPrintsTheAnswerTheGuideGives) {
  const auto all = blocks(guideText());
  int checked = 0;
  for (std::size_t i = 0; i + 1 < all.size(); ++i) {
    if (all[i].first != "kolvar") continue;
    ASSERT_EQ(all[i + 1].first, "expect") << "a script without its answer:\n" << all[i].second;
    run("scene 1\nreset\n");  // each script from a fresh window
    const std::string printed = run(all[i].second);
    // The lines of the answer, found in what the script printed, in their order.
    std::istringstream expected(all[i + 1].second);
    std::size_t at = 0;
    for (std::string want; std::getline(expected, want);) {
      const std::size_t found = printed.find(want, at);
      ASSERT_NE(found, std::string::npos) << want << "\nnot found, in order, in\n" << printed;
      at = found + want.size();
    }
    ++checked;
  }
  EXPECT_EQ(checked, 3);
}

TEST_F(UserGuide, TheExampleFilesLoadAndTheGuideAndTheManPageDescribeEveryCommandAndTag) {
  const std::string text = guideText();
  int examples = 0;
  for (const auto& [kind, body] : blocks(text)) {
    if (kind != "json") continue;
    if (body.find("\"kolvar session\"") != std::string::npos) {
      app::openSession(fig, body, "guide");
      EXPECT_EQ(state()["log"].size(), 3u);
    } else if (body.find("\"polygons\"") != std::string::npos) {
      EXPECT_EQ(bsp::parseScene(body, "guide").polygons.size(), 2u);
    } else {
      const auto loaded = graphics::loadfigText(body, "guide");
      ASSERT_EQ(loaded.handles.size(), 1u);
      EXPECT_EQ(graphics::typeOf(loaded.handles[0]), "figure");
    }
    ++examples;
  }
  EXPECT_EQ(examples, 3);
  // The models: the same square and triangle in both formats.
  int models = 0;
  for (const auto& [kind, body] : blocks(text)) {
    if (kind != "obj" && kind != "off") continue;
    EXPECT_EQ((kind == "obj" ? scenes::parseObj(body, "guide") : scenes::parseOff(body, "guide")).size(), 2u) << kind;
    ++models;
  }
  EXPECT_EQ(models, 2);

  // Every command the script driver knows, as its error message lists them, has a row in the
  // guide and an entry among the man page's script commands.
  const std::string man = sourceFile("data/kolvar.1");
  const std::size_t from = man.find(".SH SCRIPT COMMANDS");
  ASSERT_NE(from, std::string::npos);
  const std::string manCommands = man.substr(from, man.find("\n.SH ", from + 1) - from);
  const std::string known = messageOf([&] { run("fly\n"); });
  const std::string list = known.substr(known.find('(') + 1);
  const std::regex word("[a-z]+");
  int commands = 0;
  for (auto it = std::sregex_iterator(list.begin(), list.end(), word); it != std::sregex_iterator(); ++it, ++commands) {
    EXPECT_NE(text.find("| `" + it->str()), std::string::npos) << it->str();
    EXPECT_TRUE(std::regex_search(manCommands, std::regex("\n\\.B[IR]? [^\n]*\\b" + it->str() + "\\b"))) << it->str();
  }
  EXPECT_GE(commands, 12);
  // Every check box is one that `toggle` names, in both.
  const std::size_t toggle = text.find("| `toggle TAG`");
  ASSERT_NE(toggle, std::string::npos);
  const std::string toggleRow = text.substr(toggle, text.find('\n', toggle) - toggle);
  const std::string manToggle = manCommands.substr(manCommands.find("toggle"), 300);
  for (graphics::Handle box : graphics::findobj(fig, {{"Style", Value("checkbox")}})) {
    const std::string tag = graphics::get(box, "Tag").text();
    EXPECT_NE(toggleRow.find("`" + tag + "`"), std::string::npos) << tag;
    EXPECT_NE(manToggle.find("\\fB" + tag + "\\fR"), std::string::npos) << tag;
  }
}
