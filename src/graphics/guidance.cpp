#include "graphics/guidance.hpp"

#include <algorithm>

namespace kolvar::graphics {

void RecordedGuidance::showPage(const HelpPage& page) {
  auto open = std::find_if(pages.begin(), pages.end(), [&](const HelpPage& p) { return p.id == page.id; });
  if (open == pages.end()) {
    pages.push_back(page);
  } else {
    *open = page;
  }
}

std::vector<std::string> RecordedGuidance::openPages() const {
  std::vector<std::string> ids;
  for (const HelpPage& p : pages) ids.push_back(p.id);
  return ids;
}

void RecordedGuidance::writePageImage(const std::string& id, const std::string&) {
  throw Error("Pages can be painted only with a window system; \"" + id + "\" was not.", ErrorKind::General);
}

void RecordedGuidance::pointAt(Handle fig, const Pointer& pointer, PointerAnswer answer) {
  pointers[fig] = {pointer, std::move(answer)};
}

std::optional<std::string> RecordedGuidance::setting(const std::string& key) const {
  auto it = settings.find(key);
  if (it == settings.end()) return std::nullopt;
  return it->second;
}

}  // namespace kolvar::graphics
