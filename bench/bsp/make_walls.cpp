// make-walls N SEED: writes a scene file of N random vertical walls to standard output.
#include <charconv>
#include <cstdint>
#include <iostream>
#include <string>

#include "bsp/bsp.hpp"
#include "scenes/generators.hpp"

namespace {

template <class T>
bool parse(const char* text, T& out) {
  const std::string s(text);
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t count = 0;
  std::uint64_t seed = 0;
  if (argc != 3 || !parse(argv[1], count) || !parse(argv[2], seed)) {
    std::cerr << "usage: make-walls N SEED   (N walls, SEED a whole number)\n";
    return 2;
  }
  using namespace kolvar::bsp;
  std::cout << sceneToJson({"walls " + std::to_string(count) + " " + std::to_string(seed),
                            kolvar::scenes::walls(count, seed)});
  return std::cout.good() ? 0 : 1;
}
