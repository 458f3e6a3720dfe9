#pragma once
// Marshalling between Value and typed C++ functions, so that every function is written once,
// typed, and registered for call by name through `typed`.
//
//   registry.addLocal("kolvar", "inFront", 609, 2, 1, typed(&inFrontByName, {"pts", "polygon"}));
//
// A parameter of type std::optional<T> may be absent; a missing required parameter raises the
// runtime's undefined-value error naming it, as reading an absent argument does.
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "runtime/registry.hpp"

namespace kolvar::runtime {

template <class T, class = void>
struct Convert;

template <>
struct Convert<Value> {
  static const Value& from(const Value& v) { return v; }
  static Value to(Value v) { return v; }
};

template <>
struct Convert<double> {
  static double from(const Value& v) { return v.scalar(); }
  static Value to(double x) { return Value(x); }
};

template <>
struct Convert<bool> {
  static bool from(const Value& v) { return v.isTrue(); }
  static Value to(bool b) { return Value::boolean(b); }
};

template <>
struct Convert<std::string> {
  static std::string from(const Value& v) { return v.isEmpty() && !v.isText() ? std::string() : v.text(); }
  static Value to(std::string s) { return Value(std::move(s)); }
};

template <>
struct Convert<Matrix> {
  static const Matrix& from(const Value& v) { return v.matrix(); }
  static Value to(Matrix m) { return Value(std::move(m)); }
};

template <>
struct Convert<Callable> {
  static const Callable& from(const Value& v) { return v.callable(); }
  static Value to(Callable c) { return Value(std::move(c)); }
};

// Typed payloads: the empty value stands for a null pointer.
template <class T>
struct Convert<std::shared_ptr<const T>> {
  static std::shared_ptr<const T> from(const Value& v) {
    if (v.isEmpty()) return nullptr;
    auto p = v.template payload<T>();
    if (!p) throw Error("Expected a " + std::string(typeid(T).name()) + " value, got " + v.describe() + ".", ErrorKind::Type);
    return p;
  }
  static Value to(std::shared_ptr<const T> p) { return Value::wrap<T>(std::move(p)); }
};

namespace detail {

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {
  using type = T;
};

template <class T>
struct IsTuple : std::false_type {};
template <class... T>
struct IsTuple<std::tuple<T...>> : std::true_type {};

template <class P>
decltype(auto) argument(const Args& args, std::size_t i, const std::vector<std::string>& names) {
  using T = std::remove_cvref_t<P>;
  if constexpr (IsOptional<T>::value) {
    if (i >= args.size()) return T{};
    return T{Convert<typename IsOptional<T>::type>::from(args[i])};
  } else {
    if (i >= args.size())
      throw errors::undefinedValue(i < names.size() ? names[i] : "arg" + std::to_string(i + 1));
    return Convert<T>::from(args[i]);
  }
}

template <class R>
Outputs results(R&& r) {
  using T = std::remove_cvref_t<R>;
  if constexpr (IsTuple<T>::value) {
    return std::apply([](auto&&... xs) {
      return Outputs{Convert<std::remove_cvref_t<decltype(xs)>>::to(std::forward<decltype(xs)>(xs))...};
    }, std::forward<R>(r));
  } else {
    return Outputs{Convert<T>::to(std::forward<R>(r))};
  }
}

template <class R, class... A, std::size_t... I>
Body bindImpl(R (*fn)(A...), std::vector<std::string> names, std::index_sequence<I...>) {
  return [fn, names = std::move(names)](const Args& args, int) -> Outputs {
    // Read left to right, as a body that takes its parameters in order reads them: the first
    // missing one is the one named. (The arguments of a plain call would be read in an order
    // the compiler picks; a braced list fixes it.)
    std::tuple<decltype(argument<A>(args, I, names))...> read{argument<A>(args, I, names)...};
    if constexpr (std::is_void_v<R>) {
      std::apply(fn, std::move(read));
      return {};
    } else {
      return results(std::apply(fn, std::move(read)));
    }
  };
}

}  // namespace detail

// A body for a typed free function; `names` are its parameter names for undefined-value errors.
template <class R, class... A>
Body typed(R (*fn)(A...), std::vector<std::string> names = {}) {
  return detail::bindImpl(fn, std::move(names), std::index_sequence_for<A...>{});
}

}  // namespace kolvar::runtime
