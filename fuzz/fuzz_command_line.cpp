// Command-line words (separated by NUL bytes in the input): the program's own options are
// parsed or refused, the scenes of --generate are made from their words, and the rest reach the
// main GUI function as a start or a dispatch.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/app.hpp"
#include "app/files.hpp"
#include "app/program.hpp"
#include "fuzz_support.hpp"
#include "scenes/generators.hpp"

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
  // As the program does after the start: each generated scene joins the window. Scenes of
  // thousands of polygons are made but not shown, which would take the fuzzer's time on drawing
  // that the generators' words do not change.
  for (const auto& spec : options.generate) {
    try {
      const kolvar::bsp::Scene scene = kolvar::scenes::generate(spec);
      if (scene.polygons.size() <= 2000) kolvar::app::showNewScene(kolvar::app::kolvarWindow(), scene, "generated");
    } catch (const kolvar::Error&) {
    }
  }
  program.check();
  return 0;
}
