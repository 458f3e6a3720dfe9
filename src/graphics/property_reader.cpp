#include "graphics/property_reader.hpp"

#include "graphics/model.hpp"

namespace kolvar::graphics {

PropertyReader::PropertyReader(std::initializer_list<std::string_view> names)
    : names_(names.begin(), names.end()), values_(names.size(), &empty_), made_(names.size()) {}

const PropertyReader::Slots& PropertyReader::slotsFor(const detail::TypeTable* table) {
  for (const Slots& s : known_)
    if (s.table == table) return s;
  Slots s;
  s.table = table;
  for (const std::string& name : names_) {
    std::optional<std::size_t> slot = detail::slotOf(*table, name);
    if (!slot) {
      s.slot.push_back(-1);
    } else {
      s.slot.push_back(table->props[*slot].computed ? -2 : static_cast<std::ptrdiff_t>(*slot));
    }
  }
  known_.push_back(std::move(s));
  return known_.back();
}

void PropertyReader::read(Handle h) {
  object_ = &detail::object(h);
  const Slots& s = slotsFor(object_->table);
  for (std::size_t i = 0; i < names_.size(); ++i) {
    const std::ptrdiff_t slot = s.slot[i];
    if (slot >= 0) {
      values_[i] = &object_->values[static_cast<std::size_t>(slot)];
    } else if (slot == -2) {
      made_[i] = get(h, names_[i]);  // computed when read: as `get` makes it
      values_[i] = &made_[i];
    } else {
      values_[i] = &empty_;
    }
  }
}

const std::string& PropertyReader::type() const { return object_->type(); }

const std::vector<Handle>& PropertyReader::children() const { return object_->children; }

}  // namespace kolvar::graphics
