#pragma once
// The platform the program runs on: for now the headless model only.
#include "app/program.hpp"

namespace kolvar::app {

PlatformHooks platformHooks(int argc, char** argv);

}  // namespace kolvar::app
