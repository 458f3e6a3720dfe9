#pragma once
// What the tests of every layer share.
#include <functional>
#include <ostream>
#include <string>

#include "runtime/value.hpp"

namespace kolvar {

// Failure messages show values in their readable form.
inline void PrintTo(const Value& v, std::ostream* os) { *os << v.describe(); }

// The message of the error `f` raises, or "no error".
inline std::string messageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace kolvar
