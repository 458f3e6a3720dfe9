#include "guiruntime/guihandles.hpp"

#include <vector>

#include "guiruntime/by_name.hpp"
#include "guiruntime/guidata.hpp"

namespace kolvar::gui {

namespace {

constexpr const char* kNotAFigure = "H must be the handle to a figure or figure descendent.";

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// isvarname through the session's registry when it holds it (its argument checks then apply).
bool isvarnameCall(const Value& tag) {
  if (auto e = detail::sessionEntry("isvarname")) return runtime::invoke(*e, {tag}, 1)[0].isTrue();
  return isvarname(tag);
}

bool iskeywordCall(const Value& s) {
  if (auto e = detail::sessionEntry("iskeyword")) return runtime::invoke(*e, {s}, 1)[0].isTrue();
  return s.isText() && iskeyword(s.text());
}

Value guihandlesOf(const Value& h) {
  Value fig;
  if (h.isNumeric() && graphics::ishandle(h) && h.numel() == 1) fig = getParentFigure(h);
  if (fig.isEmpty()) throw Error(kNotAFigure);
  return createHandles(fig.scalar());
}

}  // namespace

Value createHandles(Handle fig) {
  Value handles;
  for (Handle h : graphics::findall(fig)) {
    const Value tag = graphics::get(h, "tag");
    if (tag.isEmpty() || !isvarnameCall(tag)) continue;
    // Objects that share a tag share a field: their handles in the order they were met.
    std::vector<double> row;
    if (handles.hasField(tag.text())) row = handles.field(tag.text()).matrix().data;
    row.push_back(h);
    handles.setField(tag.text(), Value::row(row));
  }
  return handles;
}

Value guihandles() { return createHandles(graphics::gcf()); }

Value guihandles(Handle h) { return guihandlesOf(Value(h)); }

runtime::Outputs guihandlesBody(const runtime::Args& args, int) {
  if (args.empty()) return {guihandles()};
  return {guihandlesOf(args[0])};
}

bool isvarname(const Value& s) {
  // A text value is always one row; the empty text has none and so fails here too.
  if (!s.isText() || s.rows() != 1 || s.numel() > 63) return false;
  const std::string& t = s.text();
  if (!isAsciiLetter(t.front())) return false;
  for (char c : t)
    if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '_') return false;
  return !iskeywordCall(s);
}

bool iskeyword(std::string_view s) {
  for (std::string_view k : kKeywords)
    if (k == s) return true;
  return false;
}

Value iskeyword() {
  std::vector<std::string> list(kKeywords.begin(), kKeywords.end());
  return Value::textColumn(list);
}

runtime::Outputs iskeywordBody(const runtime::Args& args, int) {
  if (args.empty()) return {iskeyword()};
  return {Value::boolean(args[0].isText() && iskeyword(args[0].text()))};
}

}  // namespace kolvar::gui
