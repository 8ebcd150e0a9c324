// The registry calls as the game and a Win32 program see them: error codes,
// sizes, access rights, case, and values that outlive the device.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <sstream>

#include "files.h"
#include "host/testing.h"

namespace {

using platform::test::HeadlessDevice;
using platform::test::TempProfile;

constexpr const char16_t *GameKey = u"SOFTWARE\\Quorvane\\BlackJack";

HKEY Create(LPCWSTR path, REGSAM access = KEY_READ | KEY_WRITE, DWORD *disposition = nullptr) {
  HKEY key = nullptr;
  EXPECT_EQ(
      RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, access, nullptr, &key, disposition),
      ERROR_SUCCESS);
  return key;
}

LONG SetBytes(HKEY key, LPCWSTR name, DWORD type, std::initializer_list<BYTE> bytes) {
  const std::vector<BYTE> data(bytes);
  return RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

LONG SetDword(HKEY key, LPCWSTR name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value),
                        sizeof(value));
}

using regtest::ReadFile;

TEST(RegistryKeys, AMissingKeyIsFileNotFoundAndLeavesNoHandle) {
  HeadlessDevice device;
  HKEY key = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, GameKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  // A name that no key can have is not found either, rather than an error of its own.
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"a\\\\b", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(platform::test::OpenRegistryKeys(), 0u);
}

TEST(RegistryKeys, CreateMakesTheWholePathAndReportsWhetherItWasNew) {
  HeadlessDevice device;
  DWORD disposition = 0;
  HKEY key = Create(GameKey, KEY_READ | KEY_WRITE, &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(key);
  key = Create(u"software\\QUORVANE\\blackjack", KEY_READ, &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(key);
  for (const char16_t *path :
       {u"SOFTWARE", u"Software\\Quorvane", u"SOFTWARE\\Quorvane\\BlackJack\\"}) {
    SCOPED_TRACE(std::string(path, path + std::char_traits<char16_t>::length(path)));
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  // A sub-key opened relative to an open key.
  HKEY parent = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"software", 0, KEY_READ, &parent), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(parent, u"quorvane\\BLACKJACK", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  RegCloseKey(parent);
  EXPECT_EQ(platform::test::OpenRegistryKeys(), 0u);
}

TEST(RegistryKeys, BadArgumentsAndHandles) {
  HeadlessDevice device;
  HKEY key = nullptr;
  struct Case {
    const char *what;
    const char16_t *path;
  };
  for (const Case &c : {Case{"leading backslash", u"\\a"}, Case{"empty component", u"a\\\\b"},
                        Case{"control character", u"a\nb"}}) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, c.path, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"x", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
  const HKEY bogus = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7000));
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueExW(bogus, u"v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetDword(bogus, u"v", 1), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
  key = Create(GameKey);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE) << "a closed handle must not work again";
  EXPECT_EQ(SetDword(key, u"v", 1), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST(RegistryValues, MissingValueIsFileNotFound) {
  HeadlessDevice device;
  HKEY key = Create(GameKey);
  DWORD value = 7;
  DWORD size = sizeof(value);
  EXPECT_EQ(RegQueryValueExW(key, u"TotalAmount", nullptr, nullptr,
                             reinterpret_cast<BYTE *>(&value), &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(RegDeleteValueW(key, u"TotalAmount"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

// Query with every combination of buffer the callers use.
TEST(RegistryValues, QuerySizesFollowWin32) {
  HeadlessDevice device;
  HKEY key = Create(GameKey);
  ASSERT_EQ(SetBytes(key, u"Four", REG_DWORD, {1, 2, 3, 4}), ERROR_SUCCESS);
  ASSERT_EQ(SetBytes(key, u"Two", REG_BINARY, {0x34, 0x12}), ERROR_SUCCESS);
  ASSERT_EQ(SetBytes(key, u"Ten", REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), ERROR_SUCCESS);
  ASSERT_EQ(SetBytes(key, u"Empty", REG_BINARY, {}), ERROR_SUCCESS);
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
      {u"Empty", true, 4, ERROR_SUCCESS, 0, {E, E, E, E, E, E, E, E}, REG_BINARY},
      {u"Empty", true, 0, ERROR_SUCCESS, 0, {E, E, E, E, E, E, E, E}, REG_BINARY},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message()
                 << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name))
                 << " buffer " << c.withBuffer << " size " << c.bufferSize);
    std::array<BYTE, 8> buffer;
    buffer.fill(E);
    DWORD size = c.bufferSize;
    DWORD type = 0xFFFF;
    EXPECT_EQ(RegQueryValueExW(key, c.name, nullptr, &type, c.withBuffer ? buffer.data() : nullptr,
                               &size),
              c.result);
    EXPECT_EQ(size, c.sizeAfter);
    EXPECT_EQ(buffer, c.bufferAfter);
    EXPECT_EQ(type, c.type);
  }
  // Data without a size to say how large the buffer is cannot be read.
  BYTE byte = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Four", nullptr, nullptr, &byte, nullptr),
            ERROR_INVALID_PARAMETER);
  // The type alone may be asked for.
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Two", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  RegCloseKey(key);
}

TEST(RegistryValues, NamesMatchInAnyCaseAndKeepTheirFirstSpelling) {
  TempProfile profile;
  HeadlessDevice device(profile.Config());
  HKEY key = Create(GameKey);
  ASSERT_EQ(SetDword(key, u"TotalAmount", 1), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, u"TOTALAMOUNT", 2), ERROR_SUCCESS);
  DWORD value = 0;
  DWORD size = sizeof(value);
  ASSERT_EQ(RegQueryValueExW(key, u"totalamount", nullptr, nullptr,
                             reinterpret_cast<BYTE *>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 2u);
  const std::string text = ReadFile(platform::test::RegistryHivePath());
  EXPECT_NE(text.find("\"TotalAmount\"=dword:00000002"), std::string::npos) << text;
  EXPECT_EQ(text.find("TOTALAMOUNT"), std::string::npos) << text;
  EXPECT_EQ(RegDeleteValueW(key, u"totalAMOUNT"), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(key, u"TotalAmount", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST(RegistryValues, NullAndEmptyNameAreTheDefaultValue) {
  HeadlessDevice device;
  HKEY key = Create(GameKey);
  ASSERT_EQ(SetDword(key, nullptr, 5), ERROR_SUCCESS);
  DWORD value = 0;
  DWORD size = sizeof(value);
  ASSERT_EQ(RegQueryValueExW(key, u"", nullptr, nullptr, reinterpret_cast<BYTE *>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 5u);
  RegCloseKey(key);
}

TEST(RegistryValues, AccessRightsOfTheHandleAreEnforced) {
  HeadlessDevice device;
  RegCloseKey(Create(GameKey));
  HKEY reader = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, GameKey, 0, KEY_READ, &reader), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(reader, u"v", 1), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueW(reader, u"v"), ERROR_ACCESS_DENIED);
  HKEY writer = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, GameKey, 0, KEY_SET_VALUE, &writer), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(writer, u"v", 1), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(writer, u"v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegQueryValueExW(reader, u"v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  // Creating below a key needs the right to; opening an existing one does not.
  HKEY child = nullptr;
  EXPECT_EQ(RegCreateKeyExW(reader, u"Child", 0, nullptr, 0, KEY_READ, nullptr, &child, nullptr),
            ERROR_ACCESS_DENIED);
  RegCloseKey(reader);
  RegCloseKey(writer);
}

TEST(RegistryValues, BadSetArgumentsAreRefused) {
  HeadlessDevice device;
  HKEY key = Create(GameKey);
  EXPECT_EQ(RegSetValueExW(key, u"v", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetDword(key, u"line\nbreak", 1), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExW(key, u"empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST(RegistryPersistence, ValuesOutliveTheDeviceOnlyWithAProfile) {
  TempProfile profile;
  for (const bool withProfile : {true, false}) {
    SCOPED_TRACE(withProfile ? "with a profile" : "in memory");
    const platform::DeviceConfig config = withProfile ? profile.Config() : platform::DeviceConfig{};
    {
      HeadlessDevice device(config);
      EXPECT_EQ(platform::test::RegistryHivePath().empty(), !withProfile);
      HKEY key = Create(GameKey);
      ASSERT_EQ(SetDword(key, u"TotalAmount", 975), ERROR_SUCCESS);
      RegCloseKey(key);
    }
    HeadlessDevice device(config);
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, GameKey, 0, KEY_READ, &key);
    if (!withProfile) {
      EXPECT_EQ(opened, ERROR_FILE_NOT_FOUND);
      continue;
    }
    ASSERT_EQ(opened, ERROR_SUCCESS);
    DWORD value = 0;
    DWORD size = sizeof(value);
    EXPECT_EQ(RegQueryValueExW(key, u"TotalAmount", nullptr, nullptr,
                               reinterpret_cast<BYTE *>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 975u);
    RegCloseKey(key);
  }
}

TEST(RegistryPersistence, AChangeToTheFileByAnotherWriterIsSeen) {
  TempProfile profile;
  HeadlessDevice device(profile.Config());
  HKEY key = Create(GameKey);
  ASSERT_EQ(SetDword(key, u"TotalAmount", 1), ERROR_SUCCESS);
  {
    std::ofstream out(platform::test::RegistryHivePath() + ".new");
    out << "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n"
           "\"TotalAmount\"=dword:00000063\n";
  }
  ASSERT_EQ(std::rename((platform::test::RegistryHivePath() + ".new").c_str(),
                        platform::test::RegistryHivePath().c_str()),
            0);
  DWORD value = 0;
  DWORD size = sizeof(value);
  EXPECT_EQ(RegQueryValueExW(key, u"TotalAmount", nullptr, nullptr,
                             reinterpret_cast<BYTE *>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 99u);
  // A key that vanished from the file under an open handle.
  {
    std::ofstream out(platform::test::RegistryHivePath() + ".new");
    out << "Windows Registry Editor Version 5.00\n";
  }
  ASSERT_EQ(std::rename((platform::test::RegistryHivePath() + ".new").c_str(),
                        platform::test::RegistryHivePath().c_str()),
            0);
  EXPECT_EQ(RegQueryValueExW(key, u"TotalAmount", nullptr, nullptr, nullptr, &size),
            ERROR_KEY_DELETED);
  RegCloseKey(key);
}

} // namespace
