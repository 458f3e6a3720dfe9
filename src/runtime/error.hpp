#pragma once
// The one family of failures. Every error carries the exact text the user sees; the kind lets a
// caller (or a test) tell the runtime's standard errors apart without parsing the text.
#include <stdexcept>
#include <string>

namespace kolvar {

enum class ErrorKind {
  General,        // an explicit error raised by a function, with its own message
  ArgumentCount,  // the call-by-name check: more inputs or outputs than declared
  Undefined,      // reading an argument or value that is absent, or an unknown function name
  Index,          // an index outside a list, a field that does not exist
  Type,           // a value of the wrong kind where a particular kind is needed
  Parse,          // a callback text that is not a call by name
  Input,          // bad input from outside: a file, the command line
  Property,       // a graphics property that does not exist or cannot take the value
  Limit,          // nesting or size beyond what the program takes (callbacks that call themselves
                  // without end, input nested thousands deep): ends the whole chain of work
};

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message, ErrorKind kind = ErrorKind::General)
      : std::runtime_error(message), kind_(kind) {}
  ErrorKind kind() const noexcept { return kind_; }

 private:
  ErrorKind kind_;
};

// The runtime's standard messages, kept in one place so they read the same everywhere.
namespace errors {
Error notEnoughInputs();
Error tooManyInputs();
Error tooManyOutputs();
Error undefinedValue(const std::string& name);
Error undefinedFunction(const std::string& name);
Error indexOutOfBounds(std::size_t index, std::size_t size);
Error noSuchField(const std::string& name);
}  // namespace errors

}  // namespace kolvar
