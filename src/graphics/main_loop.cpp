#include "graphics/main_loop.hpp"

#include <iostream>

namespace kolvar::graphics {

int guiMainLoop(const std::vector<std::string>& words, const runtime::EntryPtr& mainFunction,
                int /*flag: reserved, always 1*/, const ProgramInfo& info,
                const Platform& platform) {
  startSession({info.functions, platform.backend});
  std::size_t started = 0;
  int status = 0;
  try {
    for (; started < info.initTerm.size(); ++started)
      if (info.initTerm[started].initialize) info.initTerm[started].initialize();
    runtime::Args args;
    for (const auto& w : words) args.emplace_back(w);
    runtime::invoke(*mainFunction, std::move(args), 0);
    status = platform.serve ? platform.serve() : 0;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    status = 1;
  }
  while (started > 0) {
    --started;
    try {
      if (info.initTerm[started].terminate) info.initTerm[started].terminate();
    } catch (const std::exception& e) {
      std::cerr << e.what() << '\n';
    }
  }
  endSession();
  return status;
}

}  // namespace kolvar::graphics
