// The hive on disk: values that outlive the device in private files, damaged files
// kept, failed saves that change nothing, and saves killed at random points that
// never leave a broken hive.
#include <windows.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>
#include <thread>

#include "testing/testing.h"
#include "reg_helpers.h"
#include "registry/hive.h"
#include "registry/store.h"

namespace {

using platform::registry::SaveStep;
using platform::test::HeadlessDevice;
using platform::test::TempProfile;
using namespace regtest;
using Names = std::vector<std::string>;

unsigned Mode(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// Clears the injected fault however the test ends.
struct FaultGuard {
  FaultGuard(SaveStep step, int error) { platform::registry::InjectSaveFault(step, error); }
  ~FaultGuard() { platform::registry::ClearSaveFault(); }
};

// With a profile, values outlive the device in a private file under private folders; without
// one they live in memory alone.
TEST(HiveFile, ValuesOutliveTheDeviceInAPrivateFileOnlyWithAProfile) {
  TempProfile base;
  const std::string profile = base.Dir() + "/deeper/profile";
  for (const bool withProfile : {true, false}) {
    SCOPED_TRACE(withProfile ? "with a profile" : "in memory");
    platform::DeviceConfig config;
    config.profileDir = withProfile ? profile + "/" : "";
    {
      HeadlessDevice device(config);
      HKEY key = Create();
      ASSERT_EQ(SetDword(key, u"TotalAmount", 975), ERROR_SUCCESS);
      RegCloseKey(key);
    }
    HeadlessDevice device(config);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, GameKey, 0, KEY_READ, &key),
              withProfile ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
    if (!withProfile) {
      EXPECT_EQ(platform::test::RegistryHivePath(), "");
      continue;
    }
    EXPECT_EQ(GetDword(key, u"TotalAmount"), 975u);
    RegCloseKey(key);
    EXPECT_EQ(platform::test::RegistryHivePath(), profile + "/registry.reg");
    EXPECT_EQ(Mode(base.Dir() + "/deeper"), 0700u);
    EXPECT_EQ(Mode(profile), 0700u);
    EXPECT_EQ(Mode(platform::test::RegistryHivePath()), 0600u);
    EXPECT_EQ(FolderEntries(profile), (Names{"registry.reg", "registry.reg.lock"}));
  }
}

// The good lines of a damaged hive load; the first save keeps the damaged file
// (hard-linked, or copied where links fail) or, when it cannot, saves nothing.
TEST(HiveFile, ADamagedHiveIsKeptBeforeItIsReplaced) {
  const std::string damaged = "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n"
                              "\"NumberOfDecks\"=dword:4\n\"Broken\"=dword:zz\n";
  struct Case {
    const char *what;
    SaveStep step;
    int error;
    LONG result;
  };
  for (const Case &c : {Case{"linked", SaveStep::None, 0, ERROR_SUCCESS},
                        Case{"copied", SaveStep::LinkDamaged, EPERM, ERROR_SUCCESS},
                        Case{"cannot be kept", SaveStep::KeepDamaged, ENOSPC, ERROR_DISK_FULL}}) {
    SCOPED_TRACE(c.what);
    TempProfile profile;
    const std::string hive = profile.Dir() + "/registry.reg";
    WriteFile(hive, damaged);
    HeadlessDevice device(profile.Config());
    HKEY key = Create();
    EXPECT_EQ(GetDword(key, u"NumberOfDecks"), 4u);
    EXPECT_EQ(ReadFile(hive), damaged) << "reading alone changes nothing on disk";
    {
      FaultGuard fault(c.step, c.error);
      EXPECT_EQ(SetDword(key, u"TotalAmount", 1000), c.result);
    }
    if (c.result != ERROR_SUCCESS) {
      EXPECT_EQ(ReadFile(hive), damaged);
      EXPECT_EQ(FolderEntries(profile.Dir()), (Names{"registry.reg", "registry.reg.lock"}));
      RegCloseKey(key);
      continue;
    }
    EXPECT_EQ(ReadFile(hive + ".damaged-1"), damaged);
    if (c.step == SaveStep::LinkDamaged) {
      EXPECT_EQ(Mode(hive + ".damaged-1"), 0600u) << "a copy is private";
    }
    const std::string saved = ReadFile(hive);
    EXPECT_NE(saved.find("\"NumberOfDecks\"=dword:00000004"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\"TotalAmount\"=dword:000003e8"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Broken"), std::string::npos) << saved;
    ASSERT_EQ(SetDword(key, u"TotalAmount", 999), ERROR_SUCCESS);
    EXPECT_EQ(FolderEntries(profile.Dir()),
              (Names{"registry.reg", "registry.reg.damaged-1", "registry.reg.lock"}))
        << "a sound hive is not kept again";
    const std::string noHeader = "[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n";
    WriteFile(hive, noHeader);
    ASSERT_EQ(SetDword(key, u"TotalAmount", 998), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(hive + ".damaged-1"), damaged);
    EXPECT_EQ(ReadFile(hive + ".damaged-2"), noHeader) << "the next free name";
    RegCloseKey(key);
  }
}

TEST(HiveFile, AFailedSaveLeavesTheOldHiveAndReportsTheError) {
  struct Case {
    const char *what;
    SaveStep step;
    int error;
    LONG expected;
  };
  const Case cases[] = {
      {"disk full while writing", SaveStep::Write, ENOSPC, ERROR_DISK_FULL},
      {"quota while writing", SaveStep::Write, EDQUOT, ERROR_DISK_FULL},
      {"I/O error on flush", SaveStep::FlushFile, EIO, ERROR_CANTWRITE},
      {"failed rename", SaveStep::Rename, EIO, ERROR_CANTWRITE},
      {"read-only folder", SaveStep::CreateTemp, EROFS, ERROR_ACCESS_DENIED},
      {"no lock", SaveStep::Lock, EACCES, ERROR_ACCESS_DENIED},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TempProfile profile;
    HeadlessDevice device(profile.Config());
    HKEY key = Create();
    ASSERT_EQ(SetDword(key, u"TotalAmount", 1000), ERROR_SUCCESS);
    const std::string before = ReadFile(platform::test::RegistryHivePath());
    const auto entries = FolderEntries(profile.Dir());
    HKEY created = nullptr;
    {
      FaultGuard fault(c.step, c.error);
      EXPECT_EQ(SetDword(key, u"TotalAmount", 5), c.expected);
      EXPECT_EQ(SetDword(key, u"Other", 5), c.expected);
      EXPECT_EQ(RegDeleteValueW(key, u"TotalAmount"), c.expected);
      EXPECT_EQ(RegCreateKeyExW(key, u"Sub", 0, nullptr, 0, KEY_READ, nullptr, &created, nullptr),
                c.expected);
      EXPECT_EQ(created, nullptr);
    }
    EXPECT_EQ(ReadFile(platform::test::RegistryHivePath()), before);
    EXPECT_EQ(FolderEntries(profile.Dir()), entries) << "no half-written file stays behind";
    EXPECT_EQ(GetDword(key, u"TotalAmount"), 1000u) << "memory agrees with the disk";
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Other", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(key, u"Sub", 0, KEY_READ, &created), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(SetDword(key, u"TotalAmount", 6), ERROR_SUCCESS) << "saves work again";
    EXPECT_EQ(GetDword(key, u"TotalAmount"), 6u);
    RegCloseKey(key);
  }
}

TEST(HiveFile, AFailedFolderFlushIsReportedThoughTheFileWasReplaced) {
  TempProfile profile;
  HeadlessDevice device(profile.Config());
  HKEY key = Create();
  {
    FaultGuard fault(SaveStep::FlushFolder, EIO);
    EXPECT_EQ(SetDword(key, u"TotalAmount", 7), ERROR_CANTWRITE);
  }
  EXPECT_NE(ReadFile(platform::test::RegistryHivePath()).find("dword:00000007"), std::string::npos);
  EXPECT_EQ(GetDword(key, u"TotalAmount"), 7u) << "what the reader sees is what the file holds";
  RegCloseKey(key);
}

// A child saves without pause, alternating two contents of different sizes, and
// is killed at a random point after its first save: the hive is always the old
// one or the new one, never a mix, a cut, or nothing.
TEST(HiveFile, SavesKilledAtRandomPointsLeaveTheOldOrTheNewHive) {
  struct stat shm {};
  TempProfile profile(stat("/dev/shm", &shm) == 0 && access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                                                                                   : "");
  HeadlessDevice device(profile.Config());
  const std::string path = profile.Dir() + "/registry.reg";
  HKEY key = Create();
  const std::vector<BYTE> dataA(3 * 1024, 0xAA);
  const std::vector<BYTE> dataB(5 * 1024, 0xBB);
  const auto setBlob = [&](const std::vector<BYTE> &data) {
    return RegSetValueExW(key, u"Blob", 0, REG_BINARY, data.data(),
                          static_cast<DWORD>(data.size()));
  };
  ASSERT_EQ(setBlob(dataB), ERROR_SUCCESS);
  const auto hiveB = platform::registry::ParseHive(ReadFile(path)).hive;
  // The kill delays spread over a few saves; measured only to choose them.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 6; ++i) {
    ASSERT_EQ(setBlob(i % 2 == 0 ? dataA : dataB), ERROR_SUCCESS);
  }
  const auto saveUs = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count() /
                      6;
  ASSERT_EQ(setBlob(dataA), ERROR_SUCCESS);
  const auto hiveA = platform::registry::ParseHive(ReadFile(path)).hive;
  ASSERT_FALSE(hiveA == hiveB);
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<long> delayUs(0, std::max<long>(100, saveUs * 3));
  int sawA = 0;
  for (int round = 0; round < 1000; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const char go = 1;
      if (setBlob(dataB) != ERROR_SUCCESS || write(ready[1], &go, 1) != 1) {
        _exit(1);
      }
      for (int i = 1; setBlob(i % 2 == 0 ? dataB : dataA) == ERROR_SUCCESS; ++i) {
      }
      _exit(1);
    }
    close(ready[1]);
    char go = 0;
    ASSERT_EQ(read(ready[0], &go, 1), 1);
    close(ready[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child's save failed";
    const auto loaded = platform::registry::ParseHive(ReadFile(path));
    ASSERT_FALSE(loaded.Damaged()) << "round " << round << ": " << loaded.problems[0];
    ASSERT_TRUE(loaded.hive == hiveA || loaded.hive == hiveB) << "round " << round;
    sawA += loaded.hive == hiveA ? 1 : 0;
  }
  std::printf("1000 killed savers left hive A %d times, hive B %d times\n", sawA, 1000 - sawA);
  WriteFile(profile.Dir() + "/registry.reg.tmp-99999-1", "half a hi"); // a dead writer's too
  ASSERT_EQ(setBlob(dataA), ERROR_SUCCESS);
  EXPECT_EQ(FolderEntries(profile.Dir()), (Names{"registry.reg", "registry.reg.lock"}))
      << "the next save clears new files a killed writer left";
  RegCloseKey(key);
}

} // namespace
