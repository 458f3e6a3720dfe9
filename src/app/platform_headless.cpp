#include "app/platform.hpp"

namespace kolvar::app {

PlatformHooks platformHooks(int, char**) { return {}; }

}  // namespace kolvar::app
