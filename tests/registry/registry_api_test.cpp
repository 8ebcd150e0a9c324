// The registry calls as a Win32 program sees them: error codes, sizes, case, and a
// file changed by another writer.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "testing/testing.h"
#include "reg_helpers.h"

namespace {

using platform::test::HeadlessDevice;
using platform::test::TempProfile;
using namespace regtest;

std::string Narrow(const char16_t *s) { return {s, s + std::char_traits<char16_t>::length(s)}; }

TEST(RegistryKeys, MissingKeysAndBadPathsAreRefusedAndLeaveNoHandle) {
  HeadlessDevice device;
  struct Case {
    HKEY root;
    const char16_t *path;
    bool create;
    LONG result;
  };
  const Case cases[] = {
      {HKEY_CURRENT_USER, GameKey, false, ERROR_FILE_NOT_FOUND},
      {HKEY_CURRENT_USER, u"a\\\\b", false, ERROR_FILE_NOT_FOUND},
      {HKEY_CURRENT_USER, u"\\a", true, ERROR_INVALID_PARAMETER},
      {HKEY_CURRENT_USER, u"a\\\\b", true, ERROR_INVALID_PARAMETER},
      {HKEY_CURRENT_USER, u"a\nb", true, ERROR_INVALID_PARAMETER},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(Narrow(c.path));
    HKEY key = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
    EXPECT_EQ(
        c.create ? RegCreateKeyExW(c.root, c.path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr)
                 : RegOpenKeyExW(c.root, c.path, 0, KEY_READ, &key),
        c.result);
    EXPECT_EQ(key, nullptr);
  }
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"x", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(platform::test::OpenRegistryKeys(), 0u);
}

TEST(RegistryKeys, CreateMakesTheWholePathAndKeyNamesMatchInAnyCase) {
  HeadlessDevice device;
  DWORD disposition = 0;
  RegCloseKey(Create(GameKey, KEY_READ | KEY_WRITE, &disposition));
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(Create(u"software\\QUORVANE\\blackjack", KEY_READ, &disposition));
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  HKEY key = nullptr;
  for (const char16_t *path :
       {u"SOFTWARE", u"Software\\Quorvane", u"SOFTWARE\\Quorvane\\BlackJack\\"}) {
    SCOPED_TRACE(Narrow(path));
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  EXPECT_EQ(platform::test::OpenRegistryKeys(), 0u);
}

TEST(RegistryKeys, BadValuesAreRefused) {
  HeadlessDevice device;
  HKEY key = Create();
  EXPECT_EQ(RegSetValueExW(key, u"v", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetDword(key, u"line\nbreak", 1), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExW(key, u"empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, u"TotalAmount"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

// Every combination of buffer the callers use, including a value longer than
// the buffer, a 2-byte value, the default (unnamed) value and a missing one.
TEST(RegistryValues, QuerySizesFollowWin32) {
  HeadlessDevice device;
  HKEY key = Create();
  const auto set = [&](LPCWSTR name, DWORD type, std::vector<BYTE> data) {
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  };
  set(u"Four", REG_DWORD, {1, 2, 3, 4});
  set(u"Two", REG_BINARY, {0x34, 0x12});
  set(u"Ten", REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  set(u"Empty", REG_BINARY, {});
  set(nullptr, REG_DWORD, {5, 0, 0, 0});
  struct Case {
    const char16_t *name;
    bool withBuffer;
    DWORD bufferSize;
    LONG result;
    DWORD sizeAfter;
    std::array<BYTE, 8> bufferAfter; // starts as all 0xEE
    DWORD type;
  };
  constexpr BYTE E = 0xEE;
  const Case cases[] = {
      {u"Four", true, 4, ERROR_SUCCESS, 4, {1, 2, 3, 4, E, E, E, E}, REG_DWORD},
      {u"Four", true, 8, ERROR_SUCCESS, 4, {1, 2, 3, 4, E, E, E, E}, REG_DWORD},
      {u"Four", true, 3, ERROR_MORE_DATA, 4, {E, E, E, E, E, E, E, E}, REG_DWORD},
      {u"Four", false, 0, ERROR_SUCCESS, 4, {E, E, E, E, E, E, E, E}, REG_DWORD},
      {u"Two", true, 4, ERROR_SUCCESS, 2, {0x34, 0x12, E, E, E, E, E, E}, REG_BINARY},
      {u"Ten", true, 4, ERROR_MORE_DATA, 10, {E, E, E, E, E, E, E, E}, REG_BINARY},
      {u"Ten", false, 4, ERROR_SUCCESS, 10, {E, E, E, E, E, E, E, E}, REG_BINARY},
      {u"Empty", true, 0, ERROR_SUCCESS, 0, {E, E, E, E, E, E, E, E}, REG_BINARY},
      {u"", true, 4, ERROR_SUCCESS, 4, {5, 0, 0, 0, E, E, E, E}, REG_DWORD},
      {u"Missing", true, 4, ERROR_FILE_NOT_FOUND, 4, {E, E, E, E, E, E, E, E}, 0xFFFF},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message()
                 << Narrow(c.name) << " buffer " << c.withBuffer << " size " << c.bufferSize);
    std::array<BYTE, 8> buffer;
    buffer.fill(E);
    DWORD size = c.bufferSize;
    DWORD type = 0xFFFF;
    EXPECT_EQ(RegQueryValueExW(key, c.name, nullptr, &type, c.withBuffer ? buffer.data() : nullptr,
                               &size),
              c.result);
    EXPECT_EQ(std::tuple(size, buffer, type), std::tuple(c.sizeAfter, c.bufferAfter, c.type));
  }
  BYTE byte = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Four", nullptr, nullptr, &byte, nullptr),
            ERROR_INVALID_PARAMETER)
      << "data without a size cannot be read";
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Two", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  RegCloseKey(key);
}

TEST(RegistryValues, NamesMatchInAnyCaseAndKeepTheirFirstSpelling) {
  TempProfile profile;
  HeadlessDevice device(profile.Config());
  HKEY key = Create();
  ASSERT_EQ(SetDword(key, u"TotalAmount", 1), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, u"TOTALAMOUNT", 2), ERROR_SUCCESS);
  EXPECT_EQ(GetDword(key, u"totalamount"), 2u);
  ASSERT_EQ(RegFlushKey(key), ERROR_SUCCESS);
  const std::string text = ReadFile(platform::test::RegistryHivePath());
  EXPECT_NE(text.find("\"TotalAmount\"=dword:00000002"), std::string::npos) << text;
  EXPECT_EQ(text.find("TOTALAMOUNT"), std::string::npos) << text;
  EXPECT_EQ(RegDeleteValueW(key, u"totalAMOUNT"), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"TotalAmount", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST(RegistryPersistence, AChangeToTheFileByAnotherWriterIsSeen) {
  TempProfile profile;
  HeadlessDevice device(profile.Config());
  HKEY key = Create();
  ASSERT_EQ(SetDword(key, u"TotalAmount", 1), ERROR_SUCCESS);
  ASSERT_EQ(RegFlushKey(key), ERROR_SUCCESS);
  const std::string hive = platform::test::RegistryHivePath();
  const auto replace = [&](const std::string &text) {
    WriteFile(hive + ".new", "Windows Registry Editor Version 5.00\n" + text);
    ASSERT_EQ(std::rename((hive + ".new").c_str(), hive.c_str()), 0);
  };
  replace("[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n\"TotalAmount\"=dword:00000063\n");
  EXPECT_EQ(GetDword(key, u"TotalAmount"), 99u);
  replace(""); // the key vanished under an open handle
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"TotalAmount", nullptr, nullptr, nullptr, &size),
            ERROR_KEY_DELETED);
  RegCloseKey(key);
}

} // namespace
