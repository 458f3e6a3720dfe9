#include "guiruntime/by_name.hpp"

#include <algorithm>
#include <cctype>
#include <string>

#include "graphics/graphics.hpp"

namespace kolvar::gui::detail {

runtime::EntryPtr sessionEntry(std::string_view path) { return graphics::registry().find(path); }

bool prefixEqualIgnoringCase(std::string_view a, std::string_view b, std::size_t n) {
  a = a.substr(0, std::min(n, a.size()));
  b = b.substr(0, std::min(n, b.size()));
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace kolvar::gui::detail
