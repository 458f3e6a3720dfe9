#include "graphics/property_values.hpp"

namespace kolvar::graphics {

std::optional<Rgb> colorOf(const Value& v) {
  if (!v.isNumeric() || v.numel() != 3) return std::nullopt;
  const Matrix& m = v.matrix();
  return Rgb{m[0], m[1], m[2]};
}

bool isText(const Value& v, std::string_view text) { return v.isText() && v.text() == text; }

double numberOf(const Value& v, double fallback) {
  return v.isNumeric() && v.numel() >= 1 ? v.matrix()[0] : fallback;
}

double elementOf(const Value& v, std::size_t i, double missing) {
  if (!v.isNumeric()) return missing;
  const Matrix& m = v.matrix();
  if (m.numel() == 0) return missing;
  return i < m.numel() ? m[i] : std::numeric_limits<double>::quiet_NaN();
}

std::string textProp(Handle h, std::string_view name) {
  Value v = get(h, name);
  return v.isText() ? v.text() : std::string();
}

bool isOn(Handle h, std::string_view name) { return textProp(h, name) == "on"; }

double numberProp(Handle h, std::string_view name, double fallback) { return numberOf(get(h, name), fallback); }

}  // namespace kolvar::graphics
