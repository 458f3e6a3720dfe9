#pragma once
// Value: the dynamic value used where the program is dynamic (graphics properties, application
// data, the GUI data store, call by name, callbacks). Everywhere else the code uses typed structs.
//
// Kinds: empty, a matrix of doubles (a scalar is 1x1), text, a cell (a list of values with a
// shape), a record with ordered fields, a callable, and an opaque typed payload.
//
// Copies are cheap: the heavy kinds sit behind shared pointers to immutable data, and the few
// mutators (setField, cell element assignment) copy only when the data is shared. A copy is
// therefore always independent of the original, as value semantics require.
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <utility>
#include <variant>
#include <vector>

#include "runtime/error.hpp"

namespace kolvar {

namespace runtime {
struct Entry;
class Registry;
}  // namespace runtime

class Value;

// Column-major matrix of doubles, like every numeric value of the program.
struct Matrix {
  std::size_t rows = 0;
  std::size_t cols = 0;
  std::vector<double> data;

  Matrix() = default;
  Matrix(std::size_t r, std::size_t c, double fill = 0.0) : rows(r), cols(c), data(r * c, fill) {}
  static Matrix scalar(double x) { return Matrix(1, 1, x); }
  static Matrix row(std::initializer_list<double> xs);
  static Matrix row(const std::vector<double>& xs);
  static Matrix column(std::initializer_list<double> xs);
  static Matrix column(const std::vector<double>& xs);

  std::size_t numel() const { return data.size(); }
  bool empty() const { return data.empty(); }
  double operator()(std::size_t r, std::size_t c) const { return data[c * rows + r]; }
  double& operator()(std::size_t r, std::size_t c) { return data[c * rows + r]; }
  double operator[](std::size_t i) const { return data[i]; }
  double& operator[](std::size_t i) { return data[i]; }
  friend bool operator==(const Matrix&, const Matrix&) = default;
};

// A list of values with a shape (rows x cols, column-major); a text list shown one line per
// entry is a column cell.
struct Cell {
  std::size_t rows = 0;
  std::size_t cols = 0;
  std::vector<Value> items;
};

// A record: named fields in the order they were first set.
struct Record {
  std::vector<std::pair<std::string, Value>> fields;

  const Value* find(std::string_view name) const;
  Value* find(std::string_view name);
  void set(std::string name, Value v);
};

// A reference to a function reached through call by name, with extra arguments appended after
// the caller's (a callback given as {function, extra...}). The entry may be left unresolved: it is
// then looked up by name in `scope` when the reference is first called, so that a name that
// names nothing fails only if it is ever called.
struct Callable {
  std::string name;
  std::shared_ptr<const runtime::Entry> entry;
  std::shared_ptr<const runtime::Registry> scope;
  std::string module;  // module whose local functions the name may refer to
  std::vector<Value> extra;
};

// An opaque typed payload: trees and polygon lists travel through "UserData" and the GUI data
// store without conversion.
struct Opaque {
  std::type_index type = typeid(void);
  std::shared_ptr<const void> ptr;
};

class Value {
 public:
  enum class Kind { Empty, Matrix, Text, Cell, Record, Callable, Opaque };

  Value() = default;
  Value(double x);                   // NOLINT: a number converts to a value implicitly
  Value(int x) : Value(static_cast<double>(x)) {}  // NOLINT
  Value(const char* s);              // NOLINT
  Value(std::string s);              // NOLINT
  Value(std::string_view s) : Value(std::string(s)) {}  // NOLINT
  Value(Matrix m);                   // NOLINT
  Value(Cell c);                     // NOLINT
  Value(Record r);                   // NOLINT
  Value(Callable c);                 // NOLINT

  static Value empty() { return Value(); }
  static Value boolean(bool b) { return Value(b ? 1.0 : 0.0); }
  static Value row(std::initializer_list<double> xs) { return Value(Matrix::row(xs)); }
  static Value row(const std::vector<double>& xs) { return Value(Matrix::row(xs)); }
  static Value cellRow(std::vector<Value> items);
  static Value cellColumn(std::vector<Value> items);
  static Value textColumn(const std::vector<std::string>& lines);

  template <class T>
  static Value wrap(std::shared_ptr<const T> p) {
    if (!p) return Value();
    Value v;
    v.v_ = Opaque{typeid(T), std::shared_ptr<const void>(std::move(p))};
    return v;
  }

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool isEmpty() const;  // the empty value, or a matrix, text or cell with no elements
  bool isNumeric() const { return kind() == Kind::Matrix; }
  bool isText() const { return kind() == Kind::Text; }
  bool isCell() const { return kind() == Kind::Cell; }
  bool isRecord() const { return kind() == Kind::Record; }
  bool isCallable() const { return kind() == Kind::Callable; }
  bool isOpaque() const { return kind() == Kind::Opaque; }
  bool isScalar() const { return isNumeric() && numel() == 1; }
  bool isTextList() const;  // a cell all of whose entries are texts

  std::size_t rows() const;
  std::size_t cols() const;
  std::size_t numel() const;

  // Accessors raise a Type error when the value has another kind.
  const Matrix& matrix() const;
  double scalar() const;  // a numeric value with exactly one element
  const std::string& text() const;
  const Cell& cell() const;
  const Record& record() const;
  const Callable& callable() const;
  const Opaque& opaque() const;

  template <class T>
  std::shared_ptr<const T> payload() const {
    if (!isOpaque() || std::get<Opaque>(v_).type != typeid(T)) return nullptr;
    return std::static_pointer_cast<const T>(std::get<Opaque>(v_).ptr);
  }

  // The truth of a condition: a non-empty numeric value with no zero element.
  bool isTrue() const;

  // Records.
  bool hasField(std::string_view name) const;
  const Value& field(std::string_view name) const;  // raises "Reference to non-existent field"
  void setField(std::string name, Value v);          // makes this a record when it is empty
  std::vector<std::string> fieldNames() const;

  // Cells: 0-based element access in column-major order.
  const Value& at(std::size_t i) const;
  void setAt(std::size_t i, Value v);

  // Short readable form for messages and the console: 1, [1 2 3], 'text', {1x2 cell}, ...
  std::string describe() const;

  friend bool operator==(const Value& a, const Value& b);

 private:
  using Storage = std::variant<std::monostate, std::shared_ptr<const Matrix>,
                               std::shared_ptr<const std::string>, std::shared_ptr<const Cell>,
                               std::shared_ptr<const Record>, std::shared_ptr<const Callable>,
                               Opaque>;
  Storage v_;
};

// A number written the shortest way that reads back to the same double ("0.1", "4", "-2.5e-07").
std::string formatShortest(double x);

}  // namespace kolvar
