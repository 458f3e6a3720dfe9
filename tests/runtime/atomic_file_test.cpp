// Output files are replaced whole or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

#include "../support.hpp"
#include "runtime/atomic_file.hpp"

namespace kolvar::runtime {
namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(AtomicFile, AWriteThatFailsPartWayLeavesTheOldFileAndNoLitter) {
  const fs::path dir = fs::temp_directory_path() / ("kolvar-atomic-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / "snapshot.png";
  std::ofstream(file) << "the good picture";
  // As when the disk fills: half the new file is written, then the writer fails.
  EXPECT_THROW(writeFileAtomically(file.string(),
                                   [](const std::string& temporary) {
                                     std::ofstream(temporary) << "half a pic";
                                     throw Error("No space left on device", ErrorKind::Input);
                                   }),
               Error);
  EXPECT_EQ(contentOf(file), "the good picture");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  writeFileAtomically(file.string(), [](const std::string& temporary) { std::ofstream(temporary) << "new"; });
  EXPECT_EQ(contentOf(file), "new");
  // The file keeps the permissions it had; a new one gets what a plain write would give it.
  EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const fs::path fresh = dir / "fresh.png";
  const mode_t mask = ::umask(022);
  writeFileAtomically(fresh.string(), [](const std::string& temporary) { std::ofstream(temporary) << "x"; });
  ::umask(mask);
  EXPECT_EQ(fs::status(fresh).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                                 fs::perms::others_read);
  fs::remove(fresh);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  // A folder that does not exist is named in the message.
  EXPECT_EQ(messageOf([&] { writeFileAtomically((dir / "no" / "x.png").string(), [](const std::string&) {}); }),
            "Cannot write " + (dir / "no" / "x.png").string() + ": No such file or directory.");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kolvar::runtime
