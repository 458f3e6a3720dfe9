#pragma once
// A kolvar window opened in the graphics model, with no screen: the program exactly as it runs,
// driven through the event API and the script driver.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "app/app.hpp"
#include "app/embedded_layout.hpp"
#include "app/program.hpp"
#include "app/script.hpp"
#include "graphics/geometry.hpp"
#include "graphics/graphics.hpp"
#include "guiruntime/guidata.hpp"

namespace kolvar::apptest {

class KolvarApp : public ::testing::Test {
 protected:
  void SetUp() override {
    info_ = app::programInfo();
    graphics::startSession({info_.functions, makeBackend()});
    graphics::registerEmbeddedLayout("kolvar.fig", app::embeddedLayoutText());
    app::kolvar({}, 0);
    fig = app::kolvarWindow();
  }
  void TearDown() override { graphics::endSession(); }
  // The headless backend unless a test brings a window system's.
  virtual std::shared_ptr<graphics::Backend> makeBackend() { return nullptr; }

  // Run script lines; returns what `state` lines printed.
  std::string run(const std::string& script) {
    std::istringstream in(script);
    std::ostringstream out;
    app::runScript(in, out, nullptr);
    return out.str();
  }
  nlohmann::json state() { return nlohmann::json::parse(app::stateJson(fig)); }
  Value handles() { return gui::guidata(fig); }
  graphics::Handle tag(const char* name) { return handles().field(name).matrix()[0]; }
  void scannerOn() {
    if (!state()["options"]["scanner"].get<bool>()) run("toggle show_scanner\n");
  }

  graphics::Handle fig = 0;

 private:
  graphics::ProgramInfo info_;
};

inline std::vector<std::string> labels(const nlohmann::json& list) {
  std::vector<std::string> out;
  for (const auto& p : list) out.push_back(p.at("label").get<std::string>());
  return out;
}

}  // namespace kolvar::apptest
