#pragma once
// Shared set-up of the GUI runtime tests: a fresh graphics session per test whose registry holds
// this layer's modules (and whatever a test adds), and helpers for calls by name and messages.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "graphics/graphics.hpp"
#include "guiruntime/register.hpp"
#include "runtime/registry.hpp"

namespace kolvar {
// Failure messages show values in their readable form.
inline void PrintTo(const Value& v, std::ostream* os) { *os << v.describe(); }
}  // namespace kolvar

namespace kolvar::gui::test {

inline std::string messageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reg = std::make_shared<runtime::Registry>();
    addModules(*reg);
    graphics::startSession({reg, nullptr});
  }
  void TearDown() override { graphics::endSession(); }
  // A test that brings its own version of a module overrides this.
  virtual void addModules(runtime::Registry& r) { registerGuiRuntime(r); }

  runtime::Outputs byName(std::string_view path, runtime::Args args, int nargout = 0) {
    auto e = reg->find(path);
    if (!e) throw Error("no entry " + std::string(path));
    return runtime::invoke(*e, std::move(args), nargout);
  }
  std::string byNameMessage(std::string_view path, runtime::Args args, int nargout = 0) {
    return messageOf([&] { byName(path, std::move(args), nargout); });
  }

  std::shared_ptr<runtime::Registry> reg;
};

// The argument-check message for PATH, LINE, KIND and COUNT (one test spells a message out in full;
// the others use this to check the path, line and count of each registration).
inline std::string checkMessage(const std::string& path, int line, const std::string& kind, int count) {
  return "Run-time Error: File: " + path + " Line: " + std::to_string(line) +
         " Column: 1 The function \"" + path + "\" was called with more than the declared number of " +
         kind + " (" + std::to_string(count) + ").";
}

}  // namespace kolvar::gui::test
