#pragma once
// Callback texts: the commands a layout file stores in callback properties, for instance
//   kolvar('select_poly_Callback',gcbo,[],guidata(gcbo))
// A text is a sequence of calls by name separated by ';' or ','. An argument is a string literal
// ('...' or "..." with the quote doubled inside), a number, [], gcbo, gcbf, or a nested call.
// Nothing else is accepted: this is not an interpreter, and it can reach only registered
// functions. Every name is resolved before anything runs, so a text that names an unknown
// function runs nothing at all.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/registry.hpp"

namespace kolvar::runtime {

struct Expr {
  enum class Kind { Literal, Gcbo, Gcbf, Call };
  Kind kind = Kind::Literal;
  Value literal;               // Literal
  std::string name;            // Call
  std::vector<Expr> args;      // Call
};

struct Command {
  std::string text;
  std::vector<Expr> calls;  // top-level calls, run in order, none asked for outputs
};

// Raises a Parse error naming the column and what was expected.
Command parseCommand(std::string_view text);

struct CommandContext {
  const Registry* registry = nullptr;
  std::string module;                // whose local functions names may refer to (usually none)
  std::function<Value()> gcbo;       // the object whose callback runs
  std::function<Value()> gcbf;       // its figure
};

// Resolve every name, then run the calls in order.
void evalCommand(const Command& cmd, const CommandContext& ctx);
void evalText(std::string_view text, const CommandContext& ctx);

}  // namespace kolvar::runtime
