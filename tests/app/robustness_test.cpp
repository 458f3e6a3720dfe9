// Input from outside cannot bring the program down or lose the student's work.
#include <filesystem>
#include <fstream>

#include "app_fixture.hpp"
#include "graphics/headless.hpp"

using namespace kolvar;
using namespace kolvar::apptest;
namespace g = kolvar::graphics;

namespace {

// The program's own layout with a "CreateFcn" on its window.
std::string layoutOpening(const std::string& createFcn) {
  std::string text = app::embeddedLayoutText();
  const std::string tag = "\"Tag\": \"figure1\",";
  text.insert(text.find(tag) + tag.size(), " \"CreateFcn\": \"" + createFcn + "\",");
  return text;
}

std::size_t figures() { return g::findall(g::kRoot, std::string_view("figure")).size(); }

// The program started in a folder whose kolvar.fig is the layout under test.
class SelfOpeningLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("kolvar-self-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    home_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    g::startSession({app::programInfo().functions, nullptr});
  }
  void TearDown() override {
    g::endSession();
    std::filesystem::current_path(home_);
    std::filesystem::remove_all(folder_);
  }
  void start(const std::string& createFcn) {
    std::ofstream(folder_ / "kolvar.fig") << layoutOpening(createFcn);
    app::kolvar({}, 0);
  }

 private:
  std::filesystem::path folder_, home_;
};

}  // namespace

TEST_F(SelfOpeningLayout, ALayoutThatStartsTheProgramFromItsCreateFcnOpensOneWindow) {
  ::testing::internal::CaptureStderr();
  start("kolvar");
  // The start inside the "CreateFcn" finds the window being opened instead of loading another.
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(figures(), 1u);
  EXPECT_NO_THROW(app::stateJson(app::kolvarWindow()));
}

TEST_F(SelfOpeningLayout, ALayoutThatOpensNewCopiesOfItselfStopsWithAClearError) {
  ::testing::internal::CaptureStderr();
  start("openfig('kolvar','new')");
  const std::string reported = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(reported.find("Callbacks nested more than 32 deep"), std::string::npos) << reported;
  // The copies opened on the way are gone again; the program runs in its first window.
  EXPECT_EQ(figures(), 1u);
  EXPECT_NO_THROW(app::stateJson(app::kolvarWindow()));
}

TEST_F(KolvarApp, OpeningALayoutThatOpensItselfKeepsTheStudentsTree) {
  run("scene 3\nclick 2\n");
  const std::string grown = app::stateJson(fig);
  const auto folder = std::filesystem::temp_directory_path() / ("kolvar-self-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  for (const char* createFcn : {"kolvar", "openfig('kolvar','new')"}) {
    {
      std::ofstream(folder / "self.fig") << layoutOpening(createFcn);
    }
    auto& dialogs = dynamic_cast<g::ScriptedDialogs&>(g::backend().dialogs());
    dialogs.files.push_back(g::FileChoice{"self.fig", folder.string()});
    ::testing::internal::CaptureStderr();
    g::menuAction(tag("OpenMenuItem"));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(app::stateJson(fig), grown) << createFcn;
  }
  std::filesystem::remove_all(folder);
}
