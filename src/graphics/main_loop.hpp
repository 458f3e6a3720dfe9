#pragma once
// The runtime's main loop: start the runtime and every module, call the program's main GUI
// function once with the command-line words, serve events until no window is left (or the
// platform's event source says it is done), then shut everything down and return the exit
// status. The event source is the platform's: the Qt event loop in the program, a script of user
// actions in the headless driver.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/graphics.hpp"
#include "runtime/registry.hpp"

namespace kolvar::graphics {

// One (initialiser, terminator) pair of the program information record. Initialisers run in
// order before the main GUI function; terminators run in reverse order at the end.
struct InitTerm {
  std::string initName;
  std::string termName;
  std::function<void()> initialize;
  std::function<void()> terminate;
};

struct ProgramInfo {
  int version = 1;
  std::shared_ptr<runtime::Registry> functions;  // the function tables
  std::vector<InitTerm> initTerm;
};

struct Platform {
  std::shared_ptr<Backend> backend;  // null: headless
  // Delivers events until done; returns the exit status. Called only when the start succeeded.
  std::function<int()> serve;
};

// Exit status: what `serve` returns; 1 when the main GUI function fails at start (the error is
// reported on stderr).
int guiMainLoop(const std::vector<std::string>& words, const runtime::EntryPtr& mainFunction,
                int flag, const ProgramInfo& info, const Platform& platform);

}  // namespace kolvar::graphics
