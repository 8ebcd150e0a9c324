// Reads the game's compiled resources through the layer: the module, a resource's
// bytes, and a bounds-checked little-endian reader over them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "host/testing.h"

namespace art_test {

// Loads the embedded .res as the main module of the current device.
HINSTANCE LoadGameModule(std::string *error);

// A fresh device with the game's resources loaded as its main module.
class GameModuleTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string error;
    module = LoadGameModule(&error);
    ASSERT_NE(module, nullptr) << error;
  }
  platform::test::HeadlessDevice device;
  HINSTANCE module = nullptr;
};

// The bytes of a resource (FindResourceW, LoadResource, LockResource, SizeofResource);
// empty when it is not there.
std::span<const std::byte> ResourceBytes(HINSTANCE module, LPCWSTR name, LPCWSTR type);

// A name or an ordinal, as resource templates store them (0xFFFF then the ordinal, or
// a terminated UTF-16 string).
using NameOrOrdinal = std::variant<std::u16string, WORD>;

class Reader {
public:
  explicit Reader(std::span<const std::byte> bytes) : bytes_(bytes) {}

  WORD Word();
  DWORD Dword();
  std::u16string String();
  NameOrOrdinal Name();
  void Skip(std::size_t n);
  void AlignTo(std::size_t n);

  std::size_t Offset() const { return at_; }
  bool AtEnd() const { return at_ >= bytes_.size(); }
  // False once a read ran past the end: every later read gives 0.
  bool Ok() const { return ok_; }

private:
  std::span<const std::byte> bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

} // namespace art_test
