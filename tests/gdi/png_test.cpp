// The PNG writer: what is planted at its temporary names is neither written through nor waited
// on. What it writes is the README's pictures, which the game's tests compare byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "gdi/png_write.h"
#include "gdi/surface.h"
#include "testing/testing.h"

namespace {

using platform::Surface;

// Links and FIFOs planted where the temporary file could be made (by another user in
// a shared folder): none is written through or waited on, and each stays.
TEST(PngWriter, NothingPlantedAtTheTemporaryNamesIsWrittenThroughOrWaitedOn) {
#ifdef __EMSCRIPTEN__
  GTEST_SKIP() << "a page's files have no other user to plant them, nor real FIFOs";
#endif
  platform::test::HeadlessDevice device;
  platform::test::TempProfile folder;
  const std::string shot = folder.Dir() + "/shot.png";
  const std::string victim = folder.Dir() + "/victim";
  std::ofstream(victim) << "kept";
  std::vector<std::string> planted{shot + ".tmp"};
  for (int n = 1; n <= 40; ++n) {
    planted.push_back(shot + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(n));
  }
  for (std::size_t i = 0; i < planted.size(); ++i) {
    ASSERT_EQ(i % 2 == 0 ? symlink(victim.c_str(), planted[i].c_str())
                         : mkfifo(planted[i].c_str(), 0600),
              0);
  }
  std::string error;
  ASSERT_TRUE(platform::WritePng(Surface(2, 2), shot, &error)) << error;
  EXPECT_GT(std::filesystem::file_size(shot), 0u);
  std::ifstream in(victim);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept");
  for (const std::string &path : planted) {
    EXPECT_TRUE(std::filesystem::is_symlink(path) || std::filesystem::is_fifo(path)) << path;
  }
}

} // namespace
