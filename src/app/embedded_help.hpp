#pragma once
// The help pages and their pictures, compiled into the program (generated at build time from
// src/app/help/ and the pictures in docs/).
#include <cstddef>
#include <string_view>
#include <vector>

namespace kolvar::app {

struct EmbeddedFile {
  const char* name;  // the file's name without its folder
  const unsigned char* data;
  std::size_t size;
  std::string_view bytes() const { return {reinterpret_cast<const char*>(data), size}; }
};
std::vector<EmbeddedFile> embeddedHelpFiles();

}  // namespace kolvar::app
