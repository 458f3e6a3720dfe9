#pragma once
// The boundary between Qt's event handlers and the model: no exception may cross into Qt. The
// model reports callback errors itself; anything else that fails here (a handle deleted under the
// pointer, a bad value) is reported on stderr and the window goes on.
#include <exception>
#include <iostream>

namespace kolvar::graphics {

template <class F>
void guarded(const char* what, F&& f) noexcept {
  try {
    f();
  } catch (const std::exception& e) {
    std::cerr << "kolvar: " << what << ": " << e.what() << std::endl;
  } catch (...) {
    std::cerr << "kolvar: " << what << ": unknown error" << std::endl;
  }
}

}  // namespace kolvar::graphics
