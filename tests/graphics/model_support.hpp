#pragma once
// A fresh graphics session per test, with a registry the test can add functions to and the
// headless backend, whose notices and dialog script the test can read and fill.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../support.hpp"
#include "graphics/graphics.hpp"
#include "graphics/headless.hpp"
#include "runtime/registry.hpp"

namespace kolvar::graphics::testing {

class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_ = std::make_shared<runtime::Registry>();
    backend_ = std::make_shared<HeadlessBackend>();
    startSession({registry_, backend_});
  }
  void TearDown() override { endSession(); }

  // A function callable by name from callback texts; `nin`/`nout` as declared.
  void addFunction(const std::string& name, int nin, int nout, runtime::Body body) {
    registry_->addModule(name, nin, nout, std::move(body));
  }

  std::shared_ptr<runtime::Registry> registry_;
  std::shared_ptr<HeadlessBackend> backend_;
};

}  // namespace kolvar::graphics::testing
