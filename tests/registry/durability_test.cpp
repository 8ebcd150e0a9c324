// The hive on disk: values that outlive the device in private files, damaged files kept, failed
// saves that change nothing on disk and are said, and closes killed at random points that never
// leave a mix of old and new. Files planted in place of the hive or its lock are the program's
// own test (tests/host/profile_e2e.sh).
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
#include "registry/registry.h"
#include "registry/store.h"

namespace {

using platform::test::HeadlessDevice;
using platform::test::SaveFault;
using platform::test::SaveStep;
using platform::test::TempProfile;
using namespace regtest;
using Names = std::vector<std::string>;

unsigned Mode(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

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
    ASSERT_EQ(chmod(platform::test::RegistryHivePath().c_str(), 0440), 0);
    key = Create();
    ASSERT_EQ(SetDword(key, u"TotalAmount", 976), ERROR_SUCCESS);
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    EXPECT_EQ(Mode(platform::test::RegistryHivePath()), 0440u) << "a replaced file keeps its mode";
    RegCloseKey(key);
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
                        Case{"copied", SaveStep::KeepDamaged, EPERM, ERROR_SUCCESS},
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
      SaveFault fault(c.step, c.error);
      ASSERT_EQ(SetDword(key, u"TotalAmount", 1000), ERROR_SUCCESS);
      EXPECT_EQ(RegFlushKey(key), c.result);
    }
    if (c.result != ERROR_SUCCESS) {
      EXPECT_EQ(ReadFile(hive), damaged);
      EXPECT_EQ(FolderEntries(profile.Dir()), (Names{"registry.reg", "registry.reg.lock"}));
      RegCloseKey(key);
      continue;
    }
    EXPECT_EQ(ReadFile(hive + ".damaged-1"), damaged);
    if (c.error == EPERM) {
      EXPECT_EQ(Mode(hive + ".damaged-1"), 0600u) << "a copy is private";
    }
    const std::string saved = ReadFile(hive);
    EXPECT_NE(saved.find("\"NumberOfDecks\"=dword:00000004"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\"TotalAmount\"=dword:000003e8"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Broken"), std::string::npos) << saved;
    ASSERT_EQ(SetDword(key, u"TotalAmount", 999), ERROR_SUCCESS);
    ASSERT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    EXPECT_EQ(FolderEntries(profile.Dir()),
              (Names{"registry.reg", "registry.reg.damaged-1", "registry.reg.lock"}))
        << "a sound hive is not kept again";
    const std::string noHeader = "[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n";
    WriteFile(hive, noHeader);
    ASSERT_EQ(SetDword(key, u"TotalAmount", 998), ERROR_SUCCESS);
    ASSERT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(hive + ".damaged-1"), damaged);
    EXPECT_EQ(ReadFile(hive + ".damaged-2"), noHeader) << "the next free name";
    RegCloseKey(key);
  }
}

// Changes wait in memory and are saved together; a failed save leaves the file as
// it was, keeps the changes for the next try, and is kept as the hive's failure
// with a reason for the player, until a save succeeds.
TEST(HiveFile, AFailedSaveLeavesTheOldHiveKeepsTheChangesAndIsKeptToBeSaid) {
  struct Case {
    const char *what;
    SaveStep step;
    int error;
    LONG expected;
    const char *reason;
  };
  const Case cases[] = {
      {"disk full while writing", SaveStep::Write, ENOSPC, ERROR_DISK_FULL,
       "No space left on device"},
      {"quota while writing", SaveStep::Write, EDQUOT, ERROR_DISK_FULL, "Disk quota exceeded"},
      {"I/O error on flush", SaveStep::FlushFile, EIO, ERROR_CANTWRITE, "Input/output error"},
      {"failed rename", SaveStep::Rename, EIO, ERROR_CANTWRITE, "Input/output error"},
      {"read-only folder", SaveStep::CreateTemp, EROFS, ERROR_ACCESS_DENIED, "Read-only"},
      {"no lock", SaveStep::Lock, EACCES, ERROR_ACCESS_DENIED, "registry.reg.lock: Permission"},
      {"folder not flushed", SaveStep::FlushFolder, EIO, ERROR_CANTWRITE, "Input/output error"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TempProfile profile;
    HeadlessDevice device(profile.Config());
    HKEY key = Create();
    ASSERT_EQ(SetDword(key, u"TotalAmount", 1000), ERROR_SUCCESS);
    ASSERT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    const std::string hive = platform::test::RegistryHivePath();
    const std::string before = ReadFile(hive);
    const auto entries = FolderEntries(profile.Dir());
    {
      SaveFault fault(c.step, c.error);
      EXPECT_EQ(SetDword(key, u"TotalAmount", 5), ERROR_SUCCESS);
      EXPECT_EQ(SetDword(key, u"Other", 6), ERROR_SUCCESS);
      EXPECT_EQ(RegFlushKey(key), c.expected);
      const auto failure = platform::registry::StoreAtExit();
      EXPECT_EQ(failure.code, c.expected);
      EXPECT_NE(failure.reason.find(c.reason), std::string::npos) << failure.reason;
    }
    EXPECT_EQ(GetDword(key, u"TotalAmount"), 5u) << "what was written is kept in memory";
    if (c.step == SaveStep::FlushFolder) {
      EXPECT_NE(ReadFile(hive).find("dword:00000005"), std::string::npos)
          << "the file was replaced before the folder's flush failed";
    } else {
      EXPECT_EQ(ReadFile(hive), before);
      EXPECT_EQ(FolderEntries(profile.Dir()), entries) << "no half-written file stays behind";
    }
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS) << "the changes are tried again";
    EXPECT_NE(ReadFile(hive).find("\"Other\"=dword:00000006"), std::string::npos);
    EXPECT_FALSE(platform::registry::StoreAtExit().Failed());
    RegCloseKey(key);
  }
}

// A child closes without pause as the game does, writing six values one call at a
// time (opening and closing the key for each) and then going idle, with two sets
// of values of different sizes in turn, and is killed at a random point after its
// first close: the hive is always the old set or the new one, never a mix, a cut,
// or nothing.
TEST(HiveFile, ClosesKilledAtRandomPointsLeaveTheOldOrTheNewValuesWhole) {
  struct stat shm {};
  TempProfile profile(stat("/dev/shm", &shm) == 0 && access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                                                                                   : "");
  HeadlessDevice device(profile.Config());
  const std::string path = profile.Dir() + "/registry.reg";
  const std::vector<BYTE> dataA(std::size_t{3} * 1024, 0xAA);
  const std::vector<BYTE> dataB(std::size_t{5} * 1024, 0xBB);
  const auto close = [&](bool a) {
    for (const LPCWSTR name : {u"TotalAmount", u"PlaySounds", u"NumberOfDecks", u"HitAfterDouble",
                               u"ClearType", u"Blob"}) {
      HKEY key = Create();
      const auto &blob = a ? dataA : dataB;
      const DWORD value = a ? 1 : 2;
      const bool isBlob = name == std::u16string_view(u"Blob");
      RegSetValueExW(key, name, 0, isBlob ? REG_BINARY : REG_DWORD,
                     isBlob ? blob.data() : reinterpret_cast<const BYTE *>(&value),
                     isBlob ? static_cast<DWORD>(blob.size()) : sizeof value);
      RegCloseKey(key);
    }
    platform::RunIdleHooks();
    return !platform::registry::StoreAtExit().Failed();
  };
  ASSERT_TRUE(close(false));
  const auto hiveB = platform::registry::ParseHive(ReadFile(path)).hive;
  // The kill delays spread over a few closes; measured only to choose them.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 6; ++i) {
    ASSERT_TRUE(close(i % 2 == 0));
  }
  const auto saveUs = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count() /
                      6;
  ASSERT_TRUE(close(true));
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
      if (!close(false) || write(ready[1], &go, 1) != 1) {
        _exit(1);
      }
      for (int i = 1; close(i % 2 != 0); ++i) {
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
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child's close failed";
    const auto loaded = platform::registry::ParseHive(ReadFile(path));
    ASSERT_FALSE(loaded.Damaged()) << "round " << round << ": " << loaded.problems[0];
    ASSERT_TRUE(loaded.hive == hiveA || loaded.hive == hiveB) << "round " << round;
    sawA += loaded.hive == hiveA ? 1 : 0;
  }
  std::printf("1000 killed closes left set A %d times, set B %d times\n", sawA, 1000 - sawA);
  WriteFile(profile.Dir() + "/registry.reg.tmp-99999-1", "half a hi"); // a dead writer's too
  ASSERT_TRUE(close(true));
  EXPECT_EQ(FolderEntries(profile.Dir()), (Names{"registry.reg", "registry.reg.lock"}))
      << "the next save clears new files a killed writer left";
}

} // namespace
