#pragma once
// guihandles: the tagged objects of a window as a record, one field per tag that is a valid
// identifier, holding the handles of the objects that carry it. This is the start of a GUI's
// `handles` record. isvarname and iskeyword are the identifier rule it applies.
#include <array>
#include <string_view>

#include "graphics/graphics.hpp"
#include "runtime/registry.hpp"
#include "runtime/value.hpp"

namespace kolvar::gui {

using graphics::Handle;

// The keywords that no name may be, in their fixed order.
inline constexpr std::array<std::string_view, 17> kKeywords = {
    "break",  "case",   "catch",     "continue",   "else",   "elseif", "end",
    "for",    "function", "global",  "if",         "otherwise", "persistent",
    "return", "switch", "try",       "while"};

// The record for the current figure, or for the figure that owns `h`. Fields are named by the
// tags in the order they are first met in the find-all order (the figure, then its descendants
// depth first, hidden handles included); a field holds a row of handles. No qualifying object:
// the empty value. Raises "H must be the handle to a figure or figure descendent." when `h` is not
// a single valid handle below a figure.
Value guihandles();
Value guihandles(Handle h);
// The call-by-name form: no argument (current figure) or one of any kind.
runtime::Outputs guihandlesBody(const runtime::Args& args, int nargout);

// The record of every tagged object of `fig` (see guihandles). `fig` must be a valid handle.
Value createHandles(Handle fig);

// True for a one-row text of 1 to 63 characters that starts with a letter, holds only letters,
// digits and "_", and is not a keyword. Letters are A-Z and a-z. Any other value: false.
bool isvarname(const Value& s);

// True when `s` is one of the keywords, compared exactly (case-sensitive, whole text).
bool iskeyword(std::string_view s);
// The keyword list as a column of 17 texts.
Value iskeyword();
// The call-by-name form: no argument gives the list; a value that is not a text is no keyword.
runtime::Outputs iskeywordBody(const runtime::Args& args, int nargout);

}  // namespace kolvar::gui
