#pragma once
// Tick marks of one axis of an axes: where they stand and what their labels say.
#include <string>
#include <vector>

#include "runtime/value.hpp"

namespace kolvar::graphics {

struct Tick {
  double value = 0;
  std::string label;
};

// A tick value written as a label: up to five significant digits, no trailing zeros ("-4",
// "0.5", "1e+06"); minus zero reads "0".
std::string tickLabelText(double value);
// A text cut at every `separator` ("a|b|" gives "a", "b", "").
std::vector<std::string> splitText(const std::string& s, char separator);
// One line per entry of a cell: texts as they are, numbers as tick labels, anything else blank.
std::vector<std::string> cellLines(const Value& cell);

// The labels given by a "TickLabel" value: a row of numbers, a list of texts (numbers in the
// list are written as labels), or one text whose labels are separated by "|". Empty: none.
std::vector<std::string> tickLabels(const Value& labels);

// The ticks of an axis from its "Tick" value (numbers; empty means no ticks) and its labels.
// Ticks outside [lo, hi] are dropped. Labels are used in order and repeat when there are fewer
// than ticks; with no labels at all, `autoLabels` decides between the values written as labels
// and empty labels (axes use empty ones). A tick value that is not a number row gives no ticks.
std::vector<Tick> axisTicks(const Value& ticks, const std::vector<std::string>& labels, double lo,
                            double hi, bool autoLabels);

}  // namespace kolvar::graphics
