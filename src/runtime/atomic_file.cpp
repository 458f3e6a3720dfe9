#include "runtime/atomic_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "runtime/error.hpp"

namespace kolvar::runtime {

namespace {

Error cannotWrite(const std::string& path, const std::string& why) {
  return Error("Cannot write " + path + ": " + why + ".", ErrorKind::Input);
}

// Flushes the file's data to the disk, so that the rename never publishes a file whose content
// is still only in memory.
bool flushToDisk(const std::string& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// The permissions the file would have had if written in place: those of the file it replaces, or
// what the user's umask leaves of read and write for all (a temporary file starts private).
mode_t permissionsFor(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

void writeFileAtomically(const std::string& path, const std::function<void(const std::string& temporary)>& write) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  // A hidden name beside the target, made unique by mkstemp, so that the rename stays within one
  // file system.
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) throw cannotWrite(path, std::strerror(errno));
  ::close(fd);
  const std::string temporary(name.data());
  try {
    write(temporary);
    if (::chmod(temporary.c_str(), permissionsFor(path)) != 0 || !flushToDisk(temporary))
      throw cannotWrite(path, std::strerror(errno));
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) throw cannotWrite(path, ec.message());
  } catch (...) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw;
  }
}

}  // namespace kolvar::runtime
