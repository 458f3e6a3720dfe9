#pragma once
// The platform the program runs on: the Qt application and backend, the window event loop and
// the snapshot writer. Only the executable links it; the program library and its tests run
// without a window system.
#include "app/program.hpp"

namespace kolvar::app {

PlatformHooks platformHooks(int argc, char** argv);

}  // namespace kolvar::app
