#include "runtime/command.hpp"

#include <cctype>
#include <charconv>
#include <cstdlib>

#include "runtime/json_reader.hpp"

namespace kolvar::runtime {

namespace {

// Calls inside calls: a layout needs two or three levels; the parser, the name check and the
// evaluation each recurse once per level.
constexpr int kMaxNesting = 64;

// A callback text as messages quote it.
std::string callbackText(std::string_view text) { return "Callback text \"" + excerpt(text) + "\""; }

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  Command parse() {
    Command cmd;
    cmd.text = std::string(s_);
    skipSpace();
    while (pos_ < s_.size()) {
      Expr e = expression();
      if (e.kind != Expr::Kind::Call) fail("a function call");
      cmd.calls.push_back(std::move(e));
      skipSpace();
      if (pos_ < s_.size() && (s_[pos_] == ';' || s_[pos_] == ',')) {
        ++pos_;
        skipSpace();
        while (pos_ < s_.size() && (s_[pos_] == ';' || s_[pos_] == ',')) {
          ++pos_;
          skipSpace();
        }
      } else if (pos_ < s_.size()) {
        fail("';' or the end of the command");
      }
    }
    return cmd;
  }

 private:
  [[noreturn]] void fail(const std::string& expected) const {
    std::string found = pos_ < s_.size() ? "'" + std::string(1, s_[pos_]) + "'" : "the end";
    throw Error(callbackText(s_) + ": expected " + expected + " at column " +
                    std::to_string(pos_ + 1) + ", found " + found + ".",
                ErrorKind::Parse);
  }

  void skipSpace() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
  }

  static bool identStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
  static bool identChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

  Expr expression() {
    skipSpace();
    if (pos_ >= s_.size()) fail("an argument");
    char c = s_[pos_];
    if (c == '\'' || c == '"') return stringLiteral(c);
    if (c == '[') {
      ++pos_;
      skipSpace();
      if (pos_ >= s_.size() || s_[pos_] != ']') fail("']' (only [] is allowed)");
      ++pos_;
      return Expr{Expr::Kind::Literal, Value(Matrix()), {}, {}};
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') return number();
    if (identStart(c)) return call();
    fail("a string, a number, [], gcbo, gcbf or a function call");
  }

  Expr stringLiteral(char quote) {
    ++pos_;
    std::string out;
    for (;;) {
      if (pos_ >= s_.size()) fail(std::string("the closing ") + quote);
      char c = s_[pos_++];
      if (c == quote) {
        if (pos_ < s_.size() && s_[pos_] == quote) {
          out += quote;
          ++pos_;
          continue;
        }
        break;
      }
      out += c;
    }
    return Expr{Expr::Kind::Literal, Value(std::move(out)), {}, {}};
  }

  Expr number() {
    const std::size_t start = pos_;
    if (s_[pos_] == '-' || s_[pos_] == '+') ++pos_;
    bool digits = false;
    while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_, digits = true;
    if (pos_ < s_.size() && s_[pos_] == '.') {
      ++pos_;
      while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_, digits = true;
    }
    if (!digits) {
      pos_ = start;
      fail("a number");
    }
    if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
      std::size_t save = pos_++;
      if (pos_ < s_.size() && (s_[pos_] == '-' || s_[pos_] == '+')) ++pos_;
      if (pos_ >= s_.size() || !std::isdigit(static_cast<unsigned char>(s_[pos_]))) {
        pos_ = save;
        fail("an exponent");
      }
      while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }
    std::string text(s_.substr(start, pos_ - start));
    if (text[0] == '+') text.erase(0, 1);
    return Expr{Expr::Kind::Literal, Value(std::strtod(text.c_str(), nullptr)), {}, {}};
  }

  Expr call() {
    const std::size_t start = pos_;
    while (pos_ < s_.size() && identChar(s_[pos_])) ++pos_;
    std::string name(s_.substr(start, pos_ - start));
    skipSpace();
    const bool hasParens = pos_ < s_.size() && s_[pos_] == '(';
    if (!hasParens) {
      if (name == "gcbo") return Expr{Expr::Kind::Gcbo, {}, {}, {}};
      if (name == "gcbf") return Expr{Expr::Kind::Gcbf, {}, {}, {}};
      return Expr{Expr::Kind::Call, {}, std::move(name), {}};
    }
    if (++depth_ > kMaxNesting) {
      throw Error(callbackText(s_) + ": calls are nested more than " + std::to_string(kMaxNesting) + " deep at column " +
                      std::to_string(pos_ + 1) + ".",
                  ErrorKind::Parse);
    }
    ++pos_;
    Expr e{Expr::Kind::Call, {}, std::move(name), {}};
    skipSpace();
    if (pos_ < s_.size() && s_[pos_] == ')') {
      ++pos_;
      --depth_;
      return e;
    }
    for (;;) {
      e.args.push_back(expression());
      skipSpace();
      if (pos_ < s_.size() && s_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < s_.size() && s_[pos_] == ')') {
        ++pos_;
        --depth_;
        return e;
      }
      fail("',' or ')'");
    }
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

void resolveAll(const Expr& e, const CommandContext& ctx, const std::string& text) {
  if (e.kind != Expr::Kind::Call) return;
  if (!ctx.registry || !ctx.registry->resolve(e.name, ctx.module))
    throw Error(callbackText(text) + ": undefined function '" + excerpt(e.name) + "'.",
                ErrorKind::Undefined);
  for (const auto& a : e.args) resolveAll(a, ctx, text);
}

Value evaluate(const Expr& e, const CommandContext& ctx, int nargout) {
  switch (e.kind) {
    case Expr::Kind::Literal: return e.literal;
    case Expr::Kind::Gcbo: return ctx.gcbo ? ctx.gcbo() : Value();
    case Expr::Kind::Gcbf: return ctx.gcbf ? ctx.gcbf() : Value();
    case Expr::Kind::Call: break;
  }
  Args args;
  args.reserve(e.args.size());
  for (const auto& a : e.args) args.push_back(evaluate(a, ctx, 1));
  EntryPtr entry = ctx.registry->resolve(e.name, ctx.module);
  Outputs out = invoke(*entry, std::move(args), nargout);
  return out.empty() ? Value() : out.front();
}

}  // namespace

Command parseCommand(std::string_view text) { return Parser(text).parse(); }

void evalCommand(const Command& cmd, const CommandContext& ctx) {
  for (const auto& c : cmd.calls) resolveAll(c, ctx, cmd.text);
  for (const auto& c : cmd.calls) evaluate(c, ctx, 0);
}

void evalText(std::string_view text, const CommandContext& ctx) { evalCommand(parseCommand(text), ctx); }

}  // namespace kolvar::runtime
