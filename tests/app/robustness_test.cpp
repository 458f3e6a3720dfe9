// Input from outside cannot bring the program down or lose the student's work.
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <new>
#include <fstream>

#include "app_fixture.hpp"
#include "../support.hpp"
#include "graphics/headless.hpp"
#include "runtime/progress.hpp"

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
class LayoutInFolder : public ::testing::Test {
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
  void start(const std::string& createFcn) { startWith(layoutOpening(createFcn)); }
  void startWith(const std::string& layout) {
    std::ofstream(folder_ / "kolvar.fig") << layout;
    app::kolvar({}, 0);
  }

 private:
  std::filesystem::path folder_, home_;
};

}  // namespace

TEST_F(LayoutInFolder, ALayoutThatStartsTheProgramFromItsCreateFcnOpensOneWindow) {
  ::testing::internal::CaptureStderr();
  start("kolvar");
  // The start inside the "CreateFcn" finds the window being opened instead of loading another.
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(figures(), 1u);
  EXPECT_NO_THROW(app::stateJson(app::kolvarWindow()));
}

TEST_F(LayoutInFolder, ALayoutThatOpensNewCopiesOfItselfStopsWithAClearError) {
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

TEST_F(LayoutInFolder, ALayoutWithoutWhatTheProgramNeedsIsRefusedWhenItLoads) {
  // The controls the views draw into, and those that the handlers of learning read only once
  // they run (Step, Play, the Step log box), are all asked for when the layout loads.
  const std::pair<const char*, const char*> needed[] = {{"scan_list", "the scan list"},
                                                        {"strategy", "the strategy popup"},
                                                        {"paint_play", "the Play button"},
                                                        {"paint_speed", "Play's speed popup"},
                                                        {"log_list", "the step log"}};
  std::string layout;
  for (const auto& [name, what] : needed) {
    layout = app::embeddedLayoutText();
    const std::string tag = std::string("\"Tag\": \"") + name + "\"";
    layout.replace(layout.find(tag), tag.size(), "\"Tag\": \"renamed\"");
    EXPECT_EQ(messageOf([&] { startWith(layout); }),
              "Cannot open the kolvar window from the layout file " +
                  (std::filesystem::current_path() / "kolvar.fig").string() + ": it has no object tagged \"" + name +
                  "\" (" + what + ").");
  }
  layout = app::embeddedLayoutText();
  const std::string box = "\"Tag\": \"show_labels\", \"Style\": \"checkbox\"";
  layout.replace(layout.find(box), box.size(), "\"Tag\": \"show_labels\", \"Style\": \"pushbutton\"");
  EXPECT_NE(messageOf([&] { startWith(layout); })
                .find("the object tagged \"show_labels\" (the labels check box) must be a checkbox control, not a "
                      "pushbutton control."),
            std::string::npos);
}

TEST_F(LayoutInFolder, AKolvarFigThatIsAFolderOrAPipeIsPassedOverWithANote) {
  // Beyond the working folder lies the copy built into the program.
  g::registerEmbeddedLayout("kolvar.fig", app::embeddedLayoutText());
  const auto here = std::filesystem::current_path() / "kolvar.fig";
  const std::pair<std::function<void()>, std::string> strays[] = {
      {[&] { std::filesystem::create_directory(here); }, "is a folder, not a file"},
      // A pipe nobody writes to: reading it would wait for ever.
      {[&] { ASSERT_EQ(::mkfifo(here.c_str(), 0600), 0); }, "is not a regular file"}};
  for (const auto& [make, why] : strays) {
    std::filesystem::remove_all(here);
    make();
    ::testing::internal::CaptureStderr();
    app::kolvar({}, 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Layout file " + here.string() + " " + why + "; looking further.\n");
    EXPECT_NO_THROW(app::stateJson(app::kolvarWindow()));
    g::deleteObject(app::kolvarWindow());
  }
}

TEST_F(KolvarApp, AClickBesideTheDrawnBoxKeepsTheScannerInsideTheScene) {
  scannerOn();
  const g::Rect r = g::objectPixelRect(tag("axes2"));
  for (const g::Point p : {g::Point{r.x + 2, r.y + 2}, g::Point{r.x + r.width - 2, r.y + r.height - 2}}) {
    run("press " + formatShortest(p.x) + " " + formatShortest(p.y) + "\n");
    const auto scanner = state()["scanner"];
    for (const auto& c : scanner) {
      EXPECT_GE(c.get<double>(), -4);
      EXPECT_LE(c.get<double>(), 4);
    }
  }
}

TEST_F(KolvarApp, ABadFileChosenFromOpenIsReportedInADialog) {
  const auto file = std::filesystem::temp_directory_path() / ("kolvar-bad-" + std::to_string(::getpid()) + ".fig");
  std::ofstream(file) << "{\"type\": \"figure\", oops}";
  auto& dialogs = dynamic_cast<g::ScriptedDialogs&>(g::backend().dialogs());
  dialogs.files.push_back(g::FileChoice{file.filename().string(), file.parent_path().string()});
  ::testing::internal::CaptureStderr();
  g::menuAction(tag("OpenMenuItem"));
  ::testing::internal::GetCapturedStderr();
  std::filesystem::remove(file);
  ASSERT_EQ(dialogs.asked.back().kind, "error");
  EXPECT_EQ(dialogs.asked.back().title, "Cannot open " + file.filename().string());
  EXPECT_NE(dialogs.asked.back().text.find("line 1, column 20: syntax error"), std::string::npos) << dialogs.asked.back().text;
}

namespace {

// A machine that runs out of memory whenever a scene file is read.
class OutOfMemory : public KolvarApp {
 protected:
  struct Dialogs : g::ScriptedDialogs {
    void runWithProgress(const std::string&, const std::function<void(runtime::Progress&)>&) override {
      throw std::bad_alloc();
    }
  };
  struct Backend : g::HeadlessBackend {
    Dialogs failing;
    g::Dialogs& dialogs() override { return failing; }
  };
  std::shared_ptr<g::Backend> makeBackend() override { return std::make_shared<Backend>(); }
};

}  // namespace

TEST_F(OutOfMemory, AFileChosenFromOpenThatCannotBeReadInMemoryIsReportedInADialog) {
  const auto file = std::filesystem::temp_directory_path() / ("kolvar-large-" + std::to_string(::getpid()) + ".off");
  std::ofstream(file) << "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
  auto& dialogs = dynamic_cast<Backend&>(g::backend()).failing;
  dialogs.files.push_back(g::FileChoice{file.filename().string(), file.parent_path().string()});
  const auto before = state()["scene_info"];
  ::testing::internal::CaptureStderr();
  g::menuAction(tag("OpenMenuItem"));
  ::testing::internal::GetCapturedStderr();
  std::filesystem::remove(file);
  ASSERT_FALSE(dialogs.asked.empty());
  EXPECT_EQ(dialogs.asked.back().kind, "error");
  EXPECT_EQ(dialogs.asked.back().title, "Cannot open " + file.filename().string());
  EXPECT_EQ(dialogs.asked.back().text, "There is not enough memory for this.");
  EXPECT_EQ(state()["scene_info"], before);
}

TEST_F(KolvarApp, AFailingRedrawLeavesTheViewsAsTheyWere) {
  run("scene 3\nclick 2\n");
  const std::string before = app::stateJson(fig);
  std::vector<std::size_t> drawn;
  for (const char* ax : {"axes1", "axes2", "axes3"}) drawn.push_back(g::childrenOf(tag(ax)).size());
  // The popup names a scene that does not exist: the reset fails before anything is cleared.
  g::set(tag("select_poly"), "Value", Value(7.0));
  ::testing::internal::CaptureStderr();
  g::controlAction(tag("reset"));
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("Index exceeds the number of elements (3): 7."), std::string::npos);
  std::vector<std::size_t> after;
  for (const char* ax : {"axes1", "axes2", "axes3"}) after.push_back(g::childrenOf(tag(ax)).size());
  EXPECT_EQ(after, drawn);
  g::set(tag("select_poly"), "Value", Value(3.0));
  EXPECT_EQ(app::stateJson(fig), before);
}
