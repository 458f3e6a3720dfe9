#pragma once

namespace kolvar::app {

// The text of kolvar.fig as it was when the program was built.
const char* embeddedLayoutText();

}  // namespace kolvar::app
