// Helpers shared by the registry tests: the game's key, DWORD values and files.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace regtest {

constexpr const char16_t *GameKey = u"SOFTWARE\\Quorvane\\BlackJack";

inline HKEY Create(LPCWSTR path = GameKey, REGSAM access = KEY_READ | KEY_WRITE,
                   DWORD *disposition = nullptr) {
  HKEY key = nullptr;
  EXPECT_EQ(
      RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, access, nullptr, &key, disposition),
      ERROR_SUCCESS);
  return key;
}

inline LONG SetDword(HKEY key, LPCWSTR name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value),
                        sizeof(value));
}

inline DWORD GetDword(HKEY key, LPCWSTR name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  EXPECT_EQ(RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(&value), &size),
            ERROR_SUCCESS);
  return value;
}

inline std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string &path, const std::string &text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The names in a folder, sorted.
inline std::vector<std::string> FolderEntries(const std::string &folder) {
  std::vector<std::string> names;
  for (const auto &e : std::filesystem::directory_iterator(folder)) {
    names.push_back(e.path().filename());
  }
  std::sort(names.begin(), names.end());
  return names;
}

} // namespace regtest
