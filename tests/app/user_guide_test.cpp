// The user's guide says what the program does: its exercise scripts run and print the answers it
// gives, its example files load, and it names every script command and every check box tag.
#include <fstream>
#include <regex>
#include <sstream>

#include "../support.hpp"
#include "app/session.hpp"
#include "app_fixture.hpp"
#include "bsp/scene_file.hpp"

using namespace kolvar;
using kolvar::apptest::KolvarApp;

namespace {

std::string guideText() {
  std::ifstream in(std::string(KOLVAR_TEST_DATA) + "/../../docs/guide.md");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

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

TEST_F(UserGuide, TheExampleFilesLoadAndEveryCommandAndTagIsDescribed) {
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

  // Every command the script driver knows, as its error message lists them, has a row.
  const std::string known = messageOf([&] { run("fly\n"); });
  const std::string list = known.substr(known.find('(') + 1);
  const std::regex word("[a-z]+");
  int commands = 0;
  for (auto it = std::sregex_iterator(list.begin(), list.end(), word); it != std::sregex_iterator(); ++it, ++commands)
    EXPECT_NE(text.find("| `" + it->str()), std::string::npos) << it->str();
  EXPECT_GE(commands, 12);
  for (graphics::Handle box : graphics::findobj(fig, {{"Style", Value("checkbox")}}))
    EXPECT_NE(text.find("`" + graphics::get(box, "Tag").text() + "`"), std::string::npos);
}
