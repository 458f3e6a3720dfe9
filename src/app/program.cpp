#include "app/program.hpp"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "app/app.hpp"
#include "app/embedded_layout.hpp"
#include "app/files.hpp"
#include "app/guide.hpp"
#include "graphics/render.hpp"
#include "scenes/generators.hpp"

namespace kolvar::app {

namespace g = kolvar::graphics;

std::string usage() {
  return "usage: kolvar [--script FILE|-] [--snapshot FILE] [--generate SPEC] [--help] [--version]\n"
         "              [FILE...] [WORD...]\n"
         "  Teaches binary space partitioning trees: click waiting polygons in the tree view to\n"
         "  choose splitters, click into the partition view to place the scanner.\n"
         "  --script FILE   run user actions from FILE (- for standard input), then exit\n"
         "  --snapshot FILE paint the window into the PNG file FILE, then exit\n"
         "  --generate SPEC open a generated scene: walls,COUNT,SEED  boxes,COUNT,SEED  terrain,SIZE  room,N\n"
         "  --help          show this text\n"
         "  --version       show the version\n"
         "  FILE            a scene (.json, .kscene, .obj, .off), a session (.kolvar) or a\n"
         "                  layout (.fig) to open\n"
         "  WORD...         passed to the main GUI function (for example: Visible off)\n";
}

namespace {

// A word that ends in the extension of a file kolvar opens and names an existing file. Any other
// word (a property name or value, a callback's name) goes to the main GUI function as before.
bool namesFileToOpen(const std::string& word) {
  std::string ext = std::filesystem::path(word).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  const std::vector<std::string>& known = openedExtensions();
  std::error_code ec;
  return std::find(known.begin(), known.end(), ext) != known.end() && std::filesystem::is_regular_file(word, ec);
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args) {
  Options o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) != 0) {
      (namesFileToOpen(a) ? o.files : o.words).push_back(a);
      continue;
    }
    auto fileFor = [&](const char* option) {
      if (i + 1 >= args.size() || args[i + 1].empty())
        throw Error(std::string("kolvar: ") + option + " needs a file name", ErrorKind::Input);
      return args[++i];
    };
    if (a == "--help") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--script") {
      o.script = fileFor("--script");
    } else if (a == "--snapshot") {
      o.snapshot = fileFor("--snapshot");
    } else if (a == "--generate") {
      // One word, its parts parted by spaces or commas: --generate walls,100,7
      std::string spec = fileFor("--generate");
      std::replace(spec.begin(), spec.end(), ',', ' ');
      std::istringstream in(spec);
      std::vector<std::string> words;
      for (std::string w; in >> w;) words.push_back(w);
      o.generate.push_back(std::move(words));
    } else {
      throw Error("kolvar: unknown option " + a + " (see kolvar --help)", ErrorKind::Input);
    }
  }
  return o;
}

g::ProgramInfo programInfo() {
  g::ProgramInfo info;
  info.version = 1;
  info.functions = std::make_shared<runtime::Registry>();
  registerProgram(*info.functions);
  // The modules keep their constants in typed, immutable data built by the compiler, so their
  // initialisers have little left to do; the table keeps the order in which they run, one pair
  // per module of the function table. The main module's makes the compiled-in layout file known,
  // so the program runs from any folder.
  info.initTerm.push_back({"arrayFunctionsInitialize", "arrayFunctionsTerminate", {}, {}});
  info.initTerm.push_back({"graphicsFunctionsInitialize", "graphicsFunctionsTerminate", {}, {}});
  for (const auto& m : info.functions->modules()) {
    std::string name = m.name;
    std::replace(name.begin(), name.end(), '/', '_');
    info.initTerm.push_back({"InitializeModule_" + name, "TerminateModule_" + name, {}, {}});
  }
  info.initTerm[2].initialize = [] {
    g::registerEmbeddedLayout("kolvar.fig", embeddedLayoutText());
    // Installed, the layout lies in the data folder beside the program's folder (bin/ and
    // share/kolvar/ under one prefix).
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) g::registerLayoutFolder((exe.parent_path().parent_path() / "share" / "kolvar").string());
  };
  return info;
}

int runProgram(const std::vector<std::string>& args, const PlatformHooks& hooks) {
  Options options;
  try {
    options = parseOptions(args);
  } catch (const Error& e) {
    std::cerr << e.what() << '\n';
    return 2;
  }
  if (options.help) {
    std::cout << usage();
    return 0;
  }
  if (options.version) {
    std::cout << "kolvar " KOLVAR_VERSION "\n";
    return 0;
  }

  const g::ProgramInfo info = programInfo();
  g::Platform platform;
  platform.backend = hooks.backend;
  platform.serve = [&]() -> int {
    // A script or a snapshot is not the student at the window: what it does (a "tour never")
    // holds for its own run and is not remembered for the next.
    if (options.script || options.snapshot) g::backend().guidance().keepSettingsInMemory();
    // Files named on the command line open first, each as File > Open would open it. One that
    // cannot be opened is reported; a script or a snapshot then stops, a student's window stays.
    for (const std::string& file : options.files) {
      try {
        openFile(kolvarWindow(), file);
      } catch (const std::exception& e) {
        std::cerr << "kolvar: " << e.what() << '\n';
        if (options.script || options.snapshot || !hooks.interactive) return 1;
      }
    }
    for (const auto& words : options.generate) {
      try {
        const g::Handle fig = kolvarWindow();
        showNewScene(fig, scenes::generate(words), "generated");
      } catch (const std::exception& e) {
        std::cerr << "kolvar: --generate: " << e.what() << '\n';
        return 2;
      }
    }
    if (options.script) {
      std::ifstream file;
      std::istream* in = &std::cin;
      if (*options.script != "-") {
        std::error_code ec;
        if (std::filesystem::is_directory(*options.script, ec)) {
          std::cerr << "kolvar: cannot read the script " << *options.script << ": it is a folder\n";
          return 2;
        }
        file.open(*options.script, std::ios::binary);
        if (!file) {
          std::cerr << "kolvar: cannot read the script " << *options.script << ": " << std::strerror(errno) << '\n';
          return 2;
        }
        in = &file;
      }
      try {
        runScript(*in, std::cout, hooks.snapshot);
      } catch (const Error& e) {
        std::cerr << "kolvar: " << (*options.script == "-" ? std::string("standard input") : *options.script)
                  << ", " << e.what() << '\n';
        return 2;
      }
    }
    if (options.snapshot) {
      if (!hooks.snapshot) {
        std::cerr << "kolvar: snapshots need Qt, which is not available in this build\n";
        return 2;
      }
      try {
        hooks.snapshot(kolvarWindow(), *options.snapshot);
      } catch (const std::exception& e) {
        std::cerr << "kolvar: " << e.what() << '\n';
        return 1;
      }
    }
    if (options.script || options.snapshot) return 0;
    if (hooks.interactive) {
      // The tour is offered to a student at the window, never to a script or a snapshot.
      try {
        offerTour(kolvarWindow());
      } catch (const Error& e) {
        std::cerr << "kolvar: the tour: " << e.what() << '\n';
      }
      // A person at the window: large views are drawn aside rather than freeze it.
      g::drawAside(true);
      return hooks.interactive();
    }
    std::cout << stateJson(kolvarWindow()) << '\n';
    return 0;
  };
  return g::guiMainLoop(options.words, info.functions->find("kolvar"), 1, info, platform);
}

}  // namespace kolvar::app
