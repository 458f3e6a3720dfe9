// Session files: any text opens as a session or is refused with a message; a refused one leaves
// the window as it was, and an opened one leaves a window whose state reads, saves and undoes.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "app/session.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  kolvar::fuzz::ProgramSession program;
  const kolvar::graphics::Handle fig = kolvar::app::kolvarWindow();
  const std::string before = kolvar::app::stateJson(fig);
  try {
    kolvar::app::openSession(fig, text, "fuzz.kolvar");
  } catch (const kolvar::Error&) {
    if (kolvar::app::stateJson(fig) != before) __builtin_trap();  // refused, yet changed
    return 0;
  }
  // What opened saves again, and every step of its history can be undone and redone.
  kolvar::app::sessionText(fig);
  std::istringstream steps("undo\nundo\nundo\nredo\nredo\nredo\nstate\n");
  std::ostringstream out;
  kolvar::app::runScript(steps, out, nullptr);
  program.check();
  return 0;
}
