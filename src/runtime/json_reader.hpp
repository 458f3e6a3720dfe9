#pragma once
// JSON from outside (layout files, scene files, sessions), read with the limits a file written by
// a person or another program never needs and a hostile one would exploit: nesting depth, size,
// duplicate keys. Every fault is named with the file, the line and column (or the place in the
// document) and at most a short excerpt of the input.
#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/error.hpp"

namespace kolvar::runtime {

using Json = nlohmann::ordered_json;

struct JsonLimits {
  std::size_t maxDepth = 200;            // objects and lists inside each other
  std::size_t maxBytes = 256u << 20;     // the whole text
};

// Parses `text`; `origin` names it in messages ("Layout file "x.fig"", "scene.json"). Raises an
// Input error "ORIGIN: line L, column C: WHAT" for text that is not JSON (numbers out of range
// included), a key given twice in one object, nesting deeper than the limit, or text larger than
// it. The result keeps the keys in the order written.
Json parseJson(std::string_view text, const std::string& origin, const JsonLimits& limits = {});

// "line L, column C" of the byte at `offset` (0-based) of `text`.
std::string lineAndColumn(std::string_view text, std::size_t offset);

// At most `max` bytes of `s` for a message, cut between UTF-8 characters: longer text keeps its
// start and says how much was left out.
std::string excerpt(std::string_view s, std::size_t max = 60);

// A place in a JSON document as it is being read, kept as a stack of keys and positions so that
// descending costs no string building; rendered ("/children/2/properties/Visible") only for a
// message.
class JsonPath {
 public:
  void pushKey(std::string_view key) { steps_.push_back({std::string(key), 0, true}); }
  void pushIndex(std::size_t index) { steps_.push_back({{}, index, false}); }
  void pop() { steps_.pop_back(); }
  std::size_t depth() const { return steps_.size(); }
  // The JSON pointer of the place ("" for the top); a very deep one is shortened in the middle.
  std::string str() const;

  // Pushes on construction and pops on destruction, however the scope ends.
  class Step {
   public:
    Step(JsonPath& p, std::string_view key) : p_(p) { p_.pushKey(key); }
    Step(JsonPath& p, std::size_t index) : p_(p) { p_.pushIndex(index); }
    ~Step() { p_.pop(); }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

   private:
    JsonPath& p_;
  };

 private:
  struct Item {
    std::string key;
    std::size_t index;
    bool isKey;
  };
  std::vector<Item> steps_;
};

}  // namespace kolvar::runtime
