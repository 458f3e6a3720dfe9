#pragma once
// What the program's benchmarks share: the program started without a screen, and a script run
// on it with its output dropped.
#include <sstream>
#include <string>

#include "app/app.hpp"
#include "app/embedded_layout.hpp"
#include "app/program.hpp"
#include "app/script.hpp"

namespace kolvar::bench {

inline void startProgram(const graphics::ProgramInfo& info) {
  graphics::startSession({info.functions, nullptr});
  graphics::registerEmbeddedLayout("kolvar.fig", app::embeddedLayoutText());
  app::kolvar({}, 0);
}

inline void script(const std::string& text) {
  std::istringstream in(text);
  std::ostringstream out;
  app::runScript(in, out, nullptr);
}

}  // namespace kolvar::bench
