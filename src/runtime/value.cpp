#include "runtime/value.hpp"

#include <charconv>
#include <cmath>
#include <sstream>

namespace kolvar {

namespace {

Error typeError(const char* wanted, const Value& v) {
  return Error("Expected " + std::string(wanted) + ", got " + v.describe() + ".", ErrorKind::Type);
}

}  // namespace

Matrix Matrix::row(std::initializer_list<double> xs) { return row(std::vector<double>(xs)); }

Matrix Matrix::row(const std::vector<double>& xs) {
  Matrix m;
  m.rows = xs.empty() ? 0 : 1;
  m.cols = xs.size();
  m.data = xs;
  return m;
}

Matrix Matrix::column(std::initializer_list<double> xs) { return column(std::vector<double>(xs)); }

Matrix Matrix::column(const std::vector<double>& xs) {
  Matrix m;
  m.rows = xs.size();
  m.cols = xs.empty() ? 0 : 1;
  m.data = xs;
  return m;
}

const Value* Record::find(std::string_view name) const {
  for (const auto& [n, v] : fields)
    if (n == name) return &v;
  return nullptr;
}

Value* Record::find(std::string_view name) {
  for (auto& [n, v] : fields)
    if (n == name) return &v;
  return nullptr;
}

void Record::set(std::string name, Value v) {
  if (Value* slot = find(name)) {
    *slot = std::move(v);
    return;
  }
  fields.emplace_back(std::move(name), std::move(v));
}

Value::Value(double x) : v_(std::make_shared<Matrix>(Matrix::scalar(x))) {}
Value::Value(const char* s) : v_(std::make_shared<std::string>(s)) {}
Value::Value(std::string s) : v_(std::make_shared<std::string>(std::move(s))) {}
Value::Value(Matrix m) : v_(std::make_shared<Matrix>(std::move(m))) {}
Value::Value(Cell c) : v_(std::make_shared<Cell>(std::move(c))) {}
Value::Value(Record r) : v_(std::make_shared<Record>(std::move(r))) {}
Value::Value(Callable c) : v_(std::make_shared<Callable>(std::move(c))) {}

Value Value::cellRow(std::vector<Value> items) {
  Cell c;
  c.rows = items.empty() ? 0 : 1;
  c.cols = items.size();
  c.items = std::move(items);
  return Value(std::move(c));
}

Value Value::cellColumn(std::vector<Value> items) {
  Cell c;
  c.rows = items.size();
  c.cols = items.empty() ? 0 : 1;
  c.items = std::move(items);
  return Value(std::move(c));
}

Value Value::textColumn(const std::vector<std::string>& lines) {
  std::vector<Value> items;
  items.reserve(lines.size());
  for (const auto& l : lines) items.emplace_back(l);
  return cellColumn(std::move(items));
}

bool Value::isEmpty() const {
  switch (kind()) {
    case Kind::Empty: return true;
    case Kind::Matrix: return std::get<1>(v_)->data.empty();
    case Kind::Text: return std::get<2>(v_)->empty();
    case Kind::Cell: return std::get<3>(v_)->items.empty();
    default: return false;
  }
}

bool Value::isTextList() const {
  if (!isCell()) return false;
  for (const auto& v : cell().items)
    if (!v.isText()) return false;
  return true;
}

std::size_t Value::rows() const {
  switch (kind()) {
    case Kind::Empty: return 0;
    case Kind::Matrix: return std::get<1>(v_)->rows;
    case Kind::Text: return std::get<2>(v_)->empty() ? 0 : 1;
    case Kind::Cell: return std::get<3>(v_)->rows;
    default: return 1;
  }
}

std::size_t Value::cols() const {
  switch (kind()) {
    case Kind::Empty: return 0;
    case Kind::Matrix: return std::get<1>(v_)->cols;
    case Kind::Text: return std::get<2>(v_)->size();
    case Kind::Cell: return std::get<3>(v_)->cols;
    default: return 1;
  }
}

std::size_t Value::numel() const {
  switch (kind()) {
    case Kind::Empty: return 0;
    case Kind::Matrix: return std::get<1>(v_)->data.size();
    case Kind::Text: return std::get<2>(v_)->size();
    case Kind::Cell: return std::get<3>(v_)->items.size();
    default: return 1;
  }
}

const Matrix& Value::matrix() const {
  if (kind() == Kind::Matrix) return *std::get<1>(v_);
  static const Matrix none;  // the empty value reads as an empty matrix
  if (kind() == Kind::Empty) return none;
  throw typeError("a numeric value", *this);
}

double Value::scalar() const {
  if (kind() == Kind::Matrix && std::get<1>(v_)->data.size() == 1) return std::get<1>(v_)->data[0];
  throw typeError("a number", *this);
}

const std::string& Value::text() const {
  if (kind() == Kind::Text) return *std::get<2>(v_);
  throw typeError("a text", *this);
}

const Cell& Value::cell() const {
  if (kind() == Kind::Cell) return *std::get<3>(v_);
  throw typeError("a cell", *this);
}

const Record& Value::record() const {
  if (kind() == Kind::Record) return *std::get<4>(v_);
  throw typeError("a record", *this);
}

const Callable& Value::callable() const {
  if (kind() == Kind::Callable) return *std::get<5>(v_);
  throw typeError("a function", *this);
}

const Opaque& Value::opaque() const {
  if (kind() == Kind::Opaque) return std::get<6>(v_);
  throw typeError("a typed payload", *this);
}

bool Value::isTrue() const {
  if (kind() != Kind::Matrix) return false;
  const auto& d = std::get<1>(v_)->data;
  if (d.empty()) return false;
  for (double x : d)
    if (x == 0.0 || std::isnan(x)) return false;
  return true;
}

bool Value::hasField(std::string_view name) const {
  return kind() == Kind::Record && std::get<4>(v_)->find(name) != nullptr;
}

const Value& Value::field(std::string_view name) const {
  if (kind() == Kind::Record)
    if (const Value* v = std::get<4>(v_)->find(name)) return *v;
  throw errors::noSuchField(std::string(name));
}

void Value::setField(std::string name, Value v) {
  if (kind() == Kind::Empty) v_ = std::make_shared<Record>();
  if (kind() != Kind::Record) throw typeError("a record", *this);
  auto& p = std::get<4>(v_);
  // Copy on write: change the record in place only when nobody else holds it. Every payload is
  // created non-const (make_shared<Record>), so writing through const_cast is sound.
  if (p.use_count() != 1) p = std::make_shared<Record>(*p);
  const_cast<Record&>(*p).set(std::move(name), std::move(v));
}

std::vector<std::string> Value::fieldNames() const {
  std::vector<std::string> names;
  if (kind() == Kind::Record)
    for (const auto& f : std::get<4>(v_)->fields) names.push_back(f.first);
  return names;
}

const Value& Value::at(std::size_t i) const {
  const Cell& c = cell();
  if (i >= c.items.size()) throw errors::indexOutOfBounds(i + 1, c.items.size());
  return c.items[i];
}

void Value::setAt(std::size_t i, Value v) {
  const Cell& c = cell();
  if (i >= c.items.size()) throw errors::indexOutOfBounds(i + 1, c.items.size());
  auto& p = std::get<3>(v_);
  if (p.use_count() != 1) p = std::make_shared<Cell>(*p);
  const_cast<Cell&>(*p).items[i] = std::move(v);
}

std::string formatShortest(double x) {
  if (x == 0) return "0";  // also turns -0 into 0
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, x);
  return std::string(buf, r.ptr);
}

std::string Value::describe() const {
  switch (kind()) {
    case Kind::Empty: return "[]";
    case Kind::Matrix: {
      const Matrix& m = *std::get<1>(v_);
      if (m.data.empty()) return "[]";
      if (m.data.size() == 1) return formatShortest(m.data[0]);
      if (m.data.size() > 12) return "[" + std::to_string(m.rows) + "x" + std::to_string(m.cols) + " double]";
      std::ostringstream os;
      os << '[';
      for (std::size_t r = 0; r < m.rows; ++r) {
        if (r) os << ';';
        for (std::size_t c = 0; c < m.cols; ++c) os << (c ? " " : "") << formatShortest(m(r, c));
      }
      os << ']';
      return os.str();
    }
    case Kind::Text: return "'" + *std::get<2>(v_) + "'";
    case Kind::Cell: {
      const Cell& c = *std::get<3>(v_);
      return "{" + std::to_string(c.rows) + "x" + std::to_string(c.cols) + " cell}";
    }
    case Kind::Record: return "[record]";
    case Kind::Callable: return "@" + std::get<5>(v_)->name;
    case Kind::Opaque: return "[object]";
  }
  return "?";
}

bool operator==(const Value& a, const Value& b) {
  if (a.kind() != b.kind()) return a.isEmpty() && b.isEmpty() && a.kind() != Value::Kind::Text &&
                                   b.kind() != Value::Kind::Text;
  switch (a.kind()) {
    case Value::Kind::Empty: return true;
    case Value::Kind::Matrix: return a.matrix() == b.matrix();
    case Value::Kind::Text: return a.text() == b.text();
    case Value::Kind::Cell: {
      const Cell &x = a.cell(), &y = b.cell();
      return x.rows == y.rows && x.cols == y.cols && x.items == y.items;
    }
    case Value::Kind::Record: return a.record().fields == b.record().fields;
    case Value::Kind::Callable: {
      const Callable &x = a.callable(), &y = b.callable();
      return x.name == y.name && x.entry == y.entry && x.extra == y.extra;
    }
    case Value::Kind::Opaque: return a.opaque().ptr == b.opaque().ptr;
  }
  return false;
}

}  // namespace kolvar
