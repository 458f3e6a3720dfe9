#pragma once
// Reading the same few properties of many objects, as drawing does on every frame: a dozen
// properties of each of thousands of patches. `get` finds the object, lower-cases the name and
// looks it up in the type's table, and copies the value out, on every call; a PropertyReader
// resolves its names to table slots once per object type and hands out the stored values in
// place.
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/graphics.hpp"

namespace kolvar::graphics {

namespace detail {
struct Object;
struct TypeTable;
}  // namespace detail

class PropertyReader {
 public:
  // The names to read (any case, aliases included), numbered in the order given.
  explicit PropertyReader(std::initializer_list<std::string_view> names);

  // Turn to object `h`; raises "Invalid or deleted object." for a handle that names nothing.
  void read(Handle h);

  // Of the object read last. The references stay valid until the next `read` or until the
  // object model changes, whichever comes first.
  const std::string& type() const;
  const std::vector<Handle>& children() const;
  // The value of name `i`, the same as `get` gives; the empty value for a name the object's type
  // does not have.
  const Value& operator[](std::size_t i) const { return *values_[i]; }

 private:
  struct Slots {
    const detail::TypeTable* table = nullptr;
    std::vector<std::ptrdiff_t> slot;  // per name: the table slot, -1 absent, -2 computed
  };
  const Slots& slotsFor(const detail::TypeTable* table);

  std::vector<std::string> names_;
  std::vector<Slots> known_;  // one per object type met so far
  const detail::Object* object_ = nullptr;
  std::vector<const Value*> values_;
  std::vector<Value> made_;  // computed properties, made on each read
  Value empty_;
};

}  // namespace kolvar::graphics
