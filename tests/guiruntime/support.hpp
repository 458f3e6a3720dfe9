#pragma once
// A graphics session per test whose registry holds this layer's modules (and whatever a test
// adds), with calls by name.
#include "../graphics/model_support.hpp"
#include "guiruntime/register.hpp"

namespace kolvar::gui::test {

class GuiTest : public graphics::testing::ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    addModules(*registry_);
  }
  // A test that brings its own version of a module overrides this.
  virtual void addModules(runtime::Registry& r) { registerGuiRuntime(r); }

  runtime::Outputs byName(std::string_view path, runtime::Args args, int nargout = 0) {
    auto e = registry_->find(path);
    if (!e) throw Error("no entry " + std::string(path));
    return runtime::invoke(*e, std::move(args), nargout);
  }
  std::string byNameMessage(std::string_view path, runtime::Args args, int nargout = 0) {
    return messageOf([&] { byName(path, std::move(args), nargout); });
  }
};

}  // namespace kolvar::gui::test
