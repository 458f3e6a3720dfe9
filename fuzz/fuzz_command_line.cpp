// Command-line words (separated by NUL bytes in the input): the program's own options are
// parsed or refused, and the rest reach the main GUI function as a start or a dispatch.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/app.hpp"
#include "app/program.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < size && words.size() < 16; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back().push_back(static_cast<char>(data[i]));
    }
  }
  kolvar::app::Options options;
  try {
    options = kolvar::app::parseOptions(words);
  } catch (const kolvar::Error&) {
    return 0;
  }
  kolvar::fuzz::ProgramSession program;
  kolvar::runtime::Args args;
  for (const auto& w : options.words) args.emplace_back(w);
  try {
    kolvar::app::kolvar(args, 1);
  } catch (const std::exception&) {
  }
  program.check();
  return 0;
}
