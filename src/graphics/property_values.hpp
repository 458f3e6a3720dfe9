#pragma once
// Stored property values read the way drawing and axes geometry read them: a colour, a number,
// a text, a switch, one element of a data row. Forgiving where `get` is strict: a value of the
// wrong kind reads as the fallback, because the object model has already validated what can be
// set and drawing must never fail over a value it does not use.
#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "graphics/display_list.hpp"
#include "graphics/graphics.hpp"

namespace kolvar::graphics {

// A stored colour property as a colour: [r g b]; nothing for "none", "auto", "flat", "interp"
// and anything else that is not three numbers.
std::optional<Rgb> colorOf(const Value& v);

bool isText(const Value& v, std::string_view text);
// The first number of a value, or `fallback` when it holds none.
double numberOf(const Value& v, double fallback);
// Element i of a numeric value, NaN past its end; `missing` when the value holds no numbers at
// all (so that data without z reads as lying in the plane z = 0).
double elementOf(const Value& v, std::size_t i, double missing = std::numeric_limits<double>::quiet_NaN());

// The same for a property of an object.
std::string textProp(Handle h, std::string_view name);  // "" when not a text
bool isOn(Handle h, std::string_view name);
double numberProp(Handle h, std::string_view name, double fallback);

}  // namespace kolvar::graphics
