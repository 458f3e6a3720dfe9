#include "runtime/error.hpp"

namespace kolvar::errors {

Error notEnoughInputs() { return Error("Not enough input arguments.", ErrorKind::ArgumentCount); }
Error tooManyInputs() { return Error("Too many input arguments.", ErrorKind::ArgumentCount); }
Error tooManyOutputs() { return Error("Too many output arguments.", ErrorKind::ArgumentCount); }

Error undefinedValue(const std::string& name) {
  return Error("Undefined function or variable '" + name + "'.", ErrorKind::Undefined);
}

Error undefinedFunction(const std::string& name) {
  return Error("Undefined function '" + name + "'.", ErrorKind::Undefined);
}

Error indexOutOfBounds(std::size_t index, std::size_t size) {
  return Error("Index exceeds the number of elements (" + std::to_string(size) + "): " +
                   std::to_string(index) + ".",
               ErrorKind::Index);
}

Error noSuchField(const std::string& name) {
  return Error("Reference to non-existent field '" + name + "'.", ErrorKind::Index);
}

}  // namespace kolvar::errors
