#pragma once
// Call by name. Every function of the program that can be reached by name has an Entry: its path
// ("kolvar/splitPoly", "cla", "bsp/private/btplottree"), the line its argument check names,
// its declared numbers of inputs and outputs, and a body. A call by name checks the outputs
// first, then the inputs; direct C++ calls of the typed functions skip the checks.
//
// Declared counts: n >= 0 is fixed; -(f + 1) means f fixed arguments and any number after them,
// and a variable count disables that check.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/value.hpp"

namespace kolvar::runtime {

using Args = std::vector<Value>;
using Outputs = std::vector<Value>;
using Body = std::function<Outputs(const Args& args, int nargout)>;

struct Entry {
  std::string path;
  int line = 1;
  int nin = -1;
  int nout = -1;
  Body body;
};
using EntryPtr = std::shared_ptr<const Entry>;

// "Run-time Error: File: PATH Line: LINE Column: 1 The function "PATH" was called with more
// than the declared number of KIND (COUNT)."
std::string argumentCheckMessage(const Entry& e, std::string_view kind, int count);

// Call by name: the argument checks, then the body. The result holds at least `nargout` values;
// a body that yields fewer than asked is an error, one that yields more has the rest dropped.
Outputs invoke(const Entry& e, Args args, int nargout);

// A function reference to a body that is reached by nothing but this reference: for the
// program's own callbacks that are no part of what it offers by name (it checks no counts).
Callable privateFunction(std::string name, Body body);

// Call a function reference: the caller's arguments, then the reference's extra arguments.
Outputs call(const Callable& f, Args args, int nargout = 0);
// Call a callback value: a function reference, or a list {reference, extra...}.
Outputs callValue(const Value& f, Args args, int nargout = 0);

// The tables of modules and their local functions. Built once at start; read-only afterwards.
class Registry : public std::enable_shared_from_this<Registry> {
 public:
  struct Module {
    std::string name;
    EntryPtr main;
    std::vector<EntryPtr> locals;
  };

  EntryPtr addModule(std::string name, int nin, int nout, Body body);
  EntryPtr addLocal(std::string_view module, std::string name, int line, int nin, int nout,
                    Body body);

  // The entry whose full path is `path` ("kolvar/inFront", "cla"), or null.
  EntryPtr find(std::string_view path) const;
  // A name as written in a callback text or a string-to-function conversion: the local
  // functions of `module` first (that module's table is the current one), then the modules.
  EntryPtr resolve(std::string_view name, std::string_view module = {}) const;
  // A function reference made from a name. When nothing of that name exists yet, the reference
  // stays unresolved and is looked up when it is first called.
  Callable reference(std::string_view name, std::string_view module = {}) const;

  const std::vector<Module>& modules() const { return modules_; }
  const Module* module(std::string_view name) const;

 private:
  Module* moduleSlot(std::string_view name);
  std::vector<Module> modules_;
};

}  // namespace kolvar::runtime
