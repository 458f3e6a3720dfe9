// The process entry: everything happens in the runtime's main loop.
#include <string>
#include <vector>

#include "app/program.hpp"
#include "app/platform.hpp"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return kolvar::app::runProgram(args, kolvar::app::platformHooks(argc, argv));
}
