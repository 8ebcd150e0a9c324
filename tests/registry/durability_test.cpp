// The hive on disk: permissions, damaged files kept, failed saves that change
// nothing, and saves killed at random points that never leave a broken hive.
#include <windows.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "host/testing.h"
#include "registry/hive.h"
#include "registry/store.h"
#include "files.h"

namespace {

using platform::registry::SaveStep;
using platform::test::HeadlessDevice;
using platform::test::TempProfile;

constexpr const char16_t *GameKey = u"SOFTWARE\\Quorvane\\BlackJack";

using regtest::FolderEntries;
using regtest::ReadFile;
using regtest::WriteFile;

unsigned Mode(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

HKEY OpenGameKey() {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, GameKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  return key;
}

LONG SetDword(HKEY key, LPCWSTR name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value),
                        sizeof(value));
}

DWORD GetDword(HKEY key, LPCWSTR name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  EXPECT_EQ(RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(&value), &size),
            ERROR_SUCCESS);
  return value;
}

// Clears the injected fault however the test ends.
struct FaultGuard {
  FaultGuard(SaveStep step, int error) { platform::registry::InjectSaveFault(step, error); }
  ~FaultGuard() { platform::registry::ClearSaveFault(); }
};

TEST(HiveFile, PrivateModesForTheFileAndTheFoldersItCreates) {
  TempProfile base;
  platform::DeviceConfig config;
  config.profileDir = base.Dir() + "/deeper/profile/";
  HeadlessDevice device(config);
  HKEY key = OpenGameKey();
  ASSERT_EQ(SetDword(key, u"TotalAmount", 1000), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(platform::test::RegistryHivePath(), base.Dir() + "/deeper/profile/registry.reg");
  EXPECT_EQ(Mode(base.Dir() + "/deeper"), 0700u);
  EXPECT_EQ(Mode(base.Dir() + "/deeper/profile"), 0700u);
  EXPECT_EQ(Mode(platform::test::RegistryHivePath()), 0600u);
  EXPECT_EQ(FolderEntries(base.Dir() + "/deeper/profile"),
            (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

TEST(HiveFile, ADamagedHiveIsKeptBesideItsReplacement) {
  TempProfile profile;
  const std::string hive = profile.Dir() + "/registry.reg";
  const std::string damaged = "Windows Registry Editor Version 5.00\n"
                              "[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n"
                              "\"NumberOfDecks\"=dword:00000004\n"
                              "\"Broken\"=dword:zz\n";
  WriteFile(hive, damaged);
  HeadlessDevice device(profile.Config());
  HKEY key = OpenGameKey();
  EXPECT_EQ(GetDword(key, u"NumberOfDecks"), 4u) << "the good lines of a damaged hive load";
  EXPECT_EQ(ReadFile(hive), damaged) << "reading alone changes nothing on disk";
  ASSERT_EQ(SetDword(key, u"TotalAmount", 1000), ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(hive + ".damaged-1"), damaged);
  const std::string saved = ReadFile(hive);
  EXPECT_NE(saved.find("\"NumberOfDecks\"=dword:00000004"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\"TotalAmount\"=dword:000003e8"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("Broken"), std::string::npos) << saved;
  // The replacement is sound: the next save keeps no further copy.
  ASSERT_EQ(SetDword(key, u"TotalAmount", 999), ERROR_SUCCESS);
  EXPECT_EQ(
      FolderEntries(profile.Dir()),
      (std::vector<std::string>{"registry.reg", "registry.reg.damaged-1", "registry.reg.lock"}));
  // A second damaged hive takes the next free name.
  const std::string noHeader = "[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n";
  WriteFile(hive, noHeader);
  ASSERT_EQ(SetDword(key, u"TotalAmount", 998), ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(hive + ".damaged-1"), damaged);
  EXPECT_EQ(ReadFile(hive + ".damaged-2"), noHeader);
  RegCloseKey(key);
}

TEST(HiveFile, WithoutHardLinksTheDamagedHiveIsCopied) {
  TempProfile profile;
  const std::string hive = profile.Dir() + "/registry.reg";
  const std::string damaged = "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"a\"=dword:1\nbroken\n";
  WriteFile(hive, damaged);
  HeadlessDevice device(profile.Config());
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"K", 0, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
  {
    FaultGuard fault(SaveStep::LinkDamaged, EPERM);
    ASSERT_EQ(SetDword(key, u"b", 2), ERROR_SUCCESS);
  }
  EXPECT_EQ(ReadFile(hive + ".damaged-1"), damaged);
  EXPECT_EQ(Mode(hive + ".damaged-1"), 0600u);
  EXPECT_NE(ReadFile(hive).find("\"b\"=dword:00000002"), std::string::npos);
  RegCloseKey(key);
}

TEST(HiveFile, ADamagedHiveThatCannotBeKeptIsNotReplaced) {
  TempProfile profile;
  const std::string hive = profile.Dir() + "/registry.reg";
  const std::string damaged = "REGEDIT4\n[HKEY_CURRENT_USER\\K]\nbroken\n";
  WriteFile(hive, damaged);
  HeadlessDevice device(profile.Config());
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"K", 0, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
  {
    FaultGuard fault(SaveStep::KeepDamaged, ENOSPC);
    EXPECT_EQ(SetDword(key, u"b", 2), ERROR_DISK_FULL);
  }
  EXPECT_EQ(ReadFile(hive), damaged);
  EXPECT_EQ(FolderEntries(profile.Dir()),
            (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
  RegCloseKey(key);
}

TEST(HiveFile, NewFilesLeftByADeadWriterAreRemovedByTheNextSave) {
  TempProfile profile;
  HeadlessDevice device(profile.Config());
  HKEY key = OpenGameKey();
  WriteFile(profile.Dir() + "/registry.reg.tmp-99999-1", "half a hi");
  ASSERT_EQ(SetDword(key, u"TotalAmount", 1), ERROR_SUCCESS);
  EXPECT_EQ(FolderEntries(profile.Dir()),
            (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
  RegCloseKey(key);
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
      {"no folder", SaveStep::MakeFolder, EACCES, ERROR_ACCESS_DENIED},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TempProfile profile;
    HeadlessDevice device(profile.Config());
    HKEY key = OpenGameKey();
    ASSERT_EQ(SetDword(key, u"TotalAmount", 1000), ERROR_SUCCESS);
    const std::string before = ReadFile(platform::test::RegistryHivePath());
    const auto entries = FolderEntries(profile.Dir());
    {
      FaultGuard fault(c.step, c.error);
      EXPECT_EQ(SetDword(key, u"TotalAmount", 5), c.expected);
      EXPECT_EQ(SetDword(key, u"Other", 5), c.expected);
      EXPECT_EQ(RegDeleteValueW(key, u"TotalAmount"), c.expected);
    }
    EXPECT_EQ(ReadFile(platform::test::RegistryHivePath()), before);
    EXPECT_EQ(FolderEntries(profile.Dir()), entries) << "no half-written file stays behind";
    EXPECT_EQ(GetDword(key, u"TotalAmount"), 1000u) << "memory agrees with the disk";
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Other", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(SetDword(key, u"TotalAmount", 6), ERROR_SUCCESS) << "saves work again";
    EXPECT_EQ(GetDword(key, u"TotalAmount"), 6u);
    RegCloseKey(key);
  }
}

TEST(HiveFile, AFailedKeyCreationCreatesNothing) {
  TempProfile profile;
  HeadlessDevice device(profile.Config());
  HKEY key = nullptr;
  {
    FaultGuard fault(SaveStep::Write, ENOSPC);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, GameKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_DISK_FULL);
    EXPECT_EQ(key, nullptr);
  }
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, GameKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST(HiveFile, AFailedFolderFlushIsReportedThoughTheFileWasReplaced) {
  TempProfile profile;
  HeadlessDevice device(profile.Config());
  HKEY key = OpenGameKey();
  {
    FaultGuard fault(SaveStep::FlushFolder, EIO);
    EXPECT_EQ(SetDword(key, u"TotalAmount", 7), ERROR_CANTWRITE);
  }
  // What the reader sees is what the file holds.
  const std::string text = ReadFile(platform::test::RegistryHivePath());
  EXPECT_NE(text.find("dword:00000007"), std::string::npos);
  EXPECT_EQ(GetDword(key, u"TotalAmount"), 7u);
  RegCloseKey(key);
}

// A process killed at a random point of a save leaves the old hive or the new
// one, never a mix, a truncated file, or nothing. The child saves without pause,
// alternating two contents, and says when its first save is done (its memory
// is its own by then), so every kill lands in some save whatever the scheduler
// does.
TEST(HiveFile, SavesKilledAtRandomPointsLeaveTheOldOrTheNewHive) {
  // In memory where the machine has it: a killed process loses nothing that
  // fsync would have saved, and the test then spends its time on the saves
  // rather than waiting for a disk.
  struct stat shm {};
  TempProfile profile(stat("/dev/shm", &shm) == 0 && access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                                                                                   : "");
  HeadlessDevice device(profile.Config());
  const std::string path = profile.Dir() + "/registry.reg";
  HKEY key = OpenGameKey();
  // Contents of different sizes, so a mix or a cut shows.
  const std::vector<BYTE> dataA(3 * 1024, 0xAA);
  const std::vector<BYTE> dataB(5 * 1024, 0xBB);
  const auto setBlob = [&](const std::vector<BYTE> &data) {
    return RegSetValueExW(key, u"Blob", 0, REG_BINARY, data.data(),
                          static_cast<DWORD>(data.size()));
  };
  ASSERT_EQ(SetDword(key, u"TotalAmount", 1000), ERROR_SUCCESS);
  ASSERT_EQ(setBlob(dataB), ERROR_SUCCESS);
  const auto hiveB = platform::registry::ParseHive(ReadFile(path)).hive;
  ASSERT_EQ(setBlob(dataA), ERROR_SUCCESS);
  const auto hiveA = platform::registry::ParseHive(ReadFile(path)).hive;
  ASSERT_FALSE(hiveA == hiveB);

  // The delays spread over a few saves, measured here only to choose them.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 6; ++i) {
    ASSERT_EQ(setBlob(i % 2 == 0 ? dataB : dataA), ERROR_SUCCESS);
  }
  const auto saveUs = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count() /
                      6;
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<long> delayUs(0, std::max<long>(100, saveUs * 3));
  int sawA = 0;
  int sawB = 0;
  for (int round = 0; round < 1000; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      const char go = 1;
      if (setBlob(dataB) != ERROR_SUCCESS || write(ready[1], &go, 1) != 1) {
        _exit(1);
      }
      for (int i = 1;; ++i) {
        if (setBlob(i % 2 == 0 ? dataB : dataA) != ERROR_SUCCESS) {
          _exit(1);
        }
      }
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
    if (loaded.hive == hiveA) {
      ++sawA;
    } else {
      ASSERT_TRUE(loaded.hive == hiveB) << "round " << round << ": neither old nor new";
      ++sawB;
    }
  }
  std::printf("1000 killed savers left hive A %d times, hive B %d times (a save ~%ld us)\n", sawA,
              sawB, static_cast<long>(saveUs));
  // The next save clears whatever new file a killed writer left behind.
  ASSERT_EQ(setBlob(dataA), ERROR_SUCCESS);
  EXPECT_EQ(FolderEntries(profile.Dir()),
            (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
  RegCloseKey(key);
}

} // namespace
