#include "runtime/json_reader.hpp"

#include <iterator>
#include <unordered_set>
#include <utility>

namespace kolvar::runtime {

namespace {

// Reads the text for the parser and keeps count of how far it got, so that a fault the parser
// does not report itself (a duplicate key, too deep a nesting) can still be placed.
class CountingIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingIterator() = default;
  CountingIterator(const char* p, const char* begin, std::size_t* read) : p_(p), begin_(begin), read_(read) {}
  reference operator*() const { return *p_; }
  CountingIterator& operator++() {
    ++p_;
    if (read_) *read_ = static_cast<std::size_t>(p_ - begin_);
    return *this;
  }
  CountingIterator operator++(int) {
    CountingIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const CountingIterator& o) const { return p_ == o.p_; }
  bool operator!=(const CountingIterator& o) const { return p_ != o.p_; }

 private:
  const char* p_ = nullptr;
  const char* begin_ = nullptr;
  std::size_t* read_ = nullptr;
};

// The parser's own reason for a fault, without its exception prefix and its place (given
// separately), and with what it last read cut short.
std::string parserReason(const std::string& what) {
  std::string reason = what;
  std::size_t at = reason.find("column ");
  if (at != std::string::npos) at = reason.find(": ", at);
  if (at != std::string::npos) {
    reason = reason.substr(at + 2);
  } else if ((at = reason.find("] ")) != std::string::npos) {
    reason = reason.substr(at + 2);
  }
  const std::string lastRead = "; last read: '";
  if (const std::size_t k = reason.find(lastRead); k != std::string::npos) {
    const std::size_t from = k + lastRead.size();
    const std::size_t to = reason.rfind('\'');
    const std::string token = reason.substr(from, to > from ? to - from : std::string::npos);
    reason = reason.substr(0, from) + excerpt(token, 40) + "'";
  }
  // "number overflow parsing '1e400'" may quote a very long number.
  if (reason.size() > 200) reason = excerpt(reason, 200);
  return reason;
}

// Builds the document from the parser's events, refusing duplicate keys and deep nesting.
class Builder {
 public:
  using number_integer_t = Json::number_integer_t;
  using number_unsigned_t = Json::number_unsigned_t;
  using number_float_t = Json::number_float_t;
  using string_t = Json::string_t;
  using binary_t = Json::binary_t;

  Builder(const std::size_t* read, std::size_t maxDepth) : read_(read), maxDepth_(maxDepth) {}

  bool null() { return add(Json(nullptr)); }
  bool boolean(bool b) { return add(Json(b)); }
  bool number_integer(number_integer_t n) { return add(Json(n)); }
  bool number_unsigned(number_unsigned_t n) { return add(Json(n)); }
  bool number_float(number_float_t x, const string_t&) { return add(Json(x)); }
  bool string(string_t& s) { return add(Json(std::move(s))); }
  bool binary(binary_t&) { return stop("binary data is not JSON"); }
  bool start_object(std::size_t) { return open(Json::object()); }
  bool start_array(std::size_t) { return open(Json::array()); }
  bool end_object() { return close(); }
  bool end_array() { return close(); }
  bool key(string_t& k) {
    Frame& f = stack_.back();
    // Most objects have a handful of keys, looked up faster among the members themselves than in
    // a hash set; a large one gets its set once it grows past them.
    const auto& members = f.value->get_ref<const Json::object_t&>();
    bool twice = false;
    if (members.size() < kFewKeys) {
      for (const auto& m : members) twice = twice || m.first == k;
    } else {
      if (f.keys.empty())
        for (const auto& m : members) f.keys.insert(m.first);
      twice = !f.keys.insert(k).second;
    }
    if (twice) return stop("the key \"" + excerpt(k, 40) + "\" is given twice in one object");
    f.key = std::move(k);
    return true;
  }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) {
    // The parser counts the characters it read; the fault is at the last of them.
    at_ = position > 0 ? position - 1 : 0;
    what_ = parserReason(e.what());
    return false;
  }

  Json take() { return std::move(root_); }
  std::size_t at() const { return at_; }
  const std::string& what() const { return what_; }

 private:
  static constexpr std::size_t kFewKeys = 16;
  struct Frame {
    Json* value;
    std::string key;
    std::unordered_set<std::string> keys;
  };

  bool stop(std::string what) {
    at_ = *read_ > 0 ? *read_ - 1 : 0;
    what_ = std::move(what);
    return false;
  }
  // Where the next value goes: the document itself, the end of the open list, or the open
  // object under its last key (known to be new there).
  Json* place(Json v) {
    if (stack_.empty()) {
      root_ = std::move(v);
      return &root_;
    }
    Json& parent = *stack_.back().value;
    if (parent.is_array()) {
      parent.push_back(std::move(v));
      return &parent.back();
    }
    auto& members = parent.get_ref<Json::object_t&>();
    members.emplace_back(stack_.back().key, std::move(v));
    return &members.back().second;
  }
  bool add(Json v) {
    place(std::move(v));
    return true;
  }
  bool open(Json v) {
    if (stack_.size() >= maxDepth_)
      return stop("lists and objects are nested more than " + std::to_string(maxDepth_) + " deep");
    stack_.push_back({place(std::move(v)), {}, {}});
    return true;
  }
  bool close() {
    stack_.pop_back();
    return true;
  }

  const std::size_t* read_;
  std::size_t maxDepth_;
  Json root_;
  std::vector<Frame> stack_;
  std::size_t at_ = 0;
  std::string what_;
};

}  // namespace

std::string lineAndColumn(std::string_view text, std::size_t offset) {
  std::size_t line = 1;
  std::size_t column = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string excerpt(std::string_view s, std::size_t max) {
  if (s.size() <= max) return std::string(s);
  // The cut falls between characters, never inside the bytes of one: a message must stay text
  // (written as JSON, half a character would not be).
  std::size_t cut = max;
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  return std::string(s.substr(0, cut)) + "... (" + std::to_string(s.size() - cut) + " more characters)";
}

Json parseJson(std::string_view text, const std::string& origin, const JsonLimits& limits) {
  if (text.size() > limits.maxBytes)
    throw Error(origin + ": " + std::to_string(text.size()) + " bytes is more than the " +
                    std::to_string(limits.maxBytes) + " this program reads",
                ErrorKind::Input);
  std::size_t read = 0;
  Builder builder(&read, limits.maxDepth);
  const char* begin = text.data();
  const bool ok = Json::sax_parse(CountingIterator(begin, begin, &read), CountingIterator(begin + text.size(), begin, nullptr),
                                  &builder);
  if (!ok) throw Error(origin + ": " + lineAndColumn(text, builder.at()) + ": " + builder.what() + ".", ErrorKind::Input);
  return builder.take();
}

std::string JsonPath::str() const {
  // A very deep place keeps its first and last steps.
  constexpr std::size_t kShown = 12;
  std::string out;
  for (std::size_t i = 0; i < steps_.size(); ++i) {
    if (steps_.size() > 2 * kShown && i == kShown) {
      out += "/... (" + std::to_string(steps_.size() - 2 * kShown) + " levels)";
      i = steps_.size() - kShown - 1;
      continue;
    }
    out += '/';
    if (!steps_[i].isKey) {
      out += std::to_string(steps_[i].index);
      continue;
    }
    for (char c : steps_[i].key) {
      if (c == '~') out += "~0";
      else if (c == '/') out += "~1";
      else out += c;
    }
  }
  return out;
}

}  // namespace kolvar::runtime
