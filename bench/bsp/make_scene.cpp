// make-scene KIND PARAMS...: writes a generated scene file to standard output, the same scene the
// window's File > Generate Scene and `kolvar --generate` make from the same words:
//   make-scene walls COUNT SEED | boxes COUNT SEED | terrain SIZE | room N
#include <iostream>
#include <string>
#include <vector>

#include "bsp/bsp.hpp"
#include "scenes/generators.hpp"

int main(int argc, char** argv) {
  try {
    const kolvar::bsp::Scene scene = kolvar::scenes::generate(std::vector<std::string>(argv + 1, argv + argc));
    std::cout << kolvar::bsp::sceneToJson(scene);
  } catch (const kolvar::Error& e) {
    std::cerr << "make-scene: " << e.what() << '\n';
    return 2;
  }
  return std::cout.good() ? 0 : 1;
}
