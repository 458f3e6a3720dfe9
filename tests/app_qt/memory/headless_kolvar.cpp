// kolvar-headless: the program on the graphics model's headless backend, the one its tests use,
// with no window system at all (no snapshots, no window to serve): kolvar --script FILE as it
// runs there.
#include <string>
#include <vector>

#include "app/program.hpp"

int main(int argc, char** argv) {
  return kolvar::app::runProgram(std::vector<std::string>(argv + 1, argv + argc), kolvar::app::PlatformHooks{});
}
