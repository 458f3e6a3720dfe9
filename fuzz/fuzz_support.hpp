#pragma once
// What the fuzz targets share: a graphics session without a screen, and the kolvar program
// started in it.
#include <cstdlib>
#include <iostream>

#include "app/app.hpp"
#include "app/embedded_layout.hpp"
#include "app/program.hpp"
#include "app/script.hpp"
#include "graphics/graphics.hpp"

// The runtime reports every failing callback on the console; the fuzzers make thousands of them.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::cerr.rdbuf(nullptr);
  return 0;
}

namespace kolvar::fuzz {

// A fresh headless session for one input.
struct Session {
  Session() { graphics::startSession({nullptr, nullptr}); }
  ~Session() { graphics::endSession(); }
};

inline void expectNoFigures() {
  if (!graphics::findall(graphics::kRoot, std::string_view("figure")).empty()) __builtin_trap();
}

// The program with its window open, as after `kolvar` with no arguments; a fresh one for every
// input, so that a finding replays alone.
class ProgramSession {
 public:
  ProgramSession() {
    graphics::startSession({app::programInfo().functions, nullptr});
    graphics::registerEmbeddedLayout("kolvar.fig", app::embeddedLayoutText());
    app::kolvar({}, 0);
  }
  ~ProgramSession() { graphics::endSession(); }
  ProgramSession(const ProgramSession&) = delete;
  ProgramSession& operator=(const ProgramSession&) = delete;

  // Whatever the input did, a kolvar window that is still open has a state that reads.
  void check() {
    try {
      app::stateJson(app::kolvarWindow());
    } catch (const Error&) {
      // The input closed the window, or stored a record the program refuses to read: both are
      // answered with a message, which is all that is asked.
    }
  }
};

}  // namespace kolvar::fuzz
