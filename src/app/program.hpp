#pragma once
// The process: the program's own options, the function tables, and the main loop.
//
//   kolvar [--script FILE|-] [--snapshot FILE] [--generate SPEC] [--help] [--version] [FILE...] [WORD...]
//
// Words that begin with "--" are the program's own. A word that ends in the extension of a file
// kolvar opens (.json, .kscene, .obj, .off, .kolvar, .fig) and names an existing file is opened in the
// window once it is up, before any script runs; every other word reaches the main GUI function
// `kolvar` as an argument (property pairs and callback words keep working).
#include <optional>
#include <string>
#include <vector>

#include "app/script.hpp"
#include "graphics/main_loop.hpp"

namespace kolvar::app {

struct Options {
  bool help = false;
  bool version = false;
  std::optional<std::string> script;    // a file, or "-" for standard input
  std::optional<std::string> snapshot;  // a PNG file to paint the window into, then exit
  std::vector<std::string> words;       // for the main GUI function
  std::vector<std::string> files;       // to open, in their order
  std::vector<std::vector<std::string>> generate;  // scenes to generate after them ("walls 100 7")
};

// Raises an Input error naming the option for an unknown "--" option or a missing file name.
Options parseOptions(const std::vector<std::string>& args);
std::string usage();

// What the platform adds: how to serve events interactively, and how to paint a snapshot.
struct PlatformHooks {
  std::shared_ptr<graphics::Backend> backend;       // null: headless
  std::function<int()> interactive;                  // the window's event loop; null: none
  SnapshotWriter snapshot;                           // null: snapshots unavailable
};

// Everything from the command line to the exit status. 2 for bad options or a bad script line.
int runProgram(const std::vector<std::string>& args, const PlatformHooks& hooks);

// The function tables and the initialisation table of the program.
graphics::ProgramInfo programInfo();

}  // namespace kolvar::app
