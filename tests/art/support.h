// Shared by the art tests: the game's module on a fresh device, a resource's bytes, a
// bounds-checked little-endian reader over them, and pictures decoded like the game does.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "testing/testing.h"
#include "gdi/surface.h"
#include "kernel/module.h"

namespace art_test {

class GameModuleTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string error;
    module = platform::LoadModuleFromRes(platform::EmbeddedResources(), &error);
    ASSERT_NE(module, nullptr) << error;
  }
  platform::test::HeadlessDevice device;
  HINSTANCE module = nullptr;
};

// FindResourceW, LoadResource, LockResource, SizeofResource; empty when missing.
std::span<const std::byte> ResourceBytes(HINSTANCE module, LPCWSTR name, LPCWSTR type);

// The little-endian value at `at`; 0 where the bytes end before it.
template <typename T> T Read(std::span<const std::byte> bytes, std::size_t at) {
  T value{};
  if (at + sizeof(T) <= bytes.size()) {
    std::memcpy(&value, bytes.data() + at, sizeof(T));
  }
  return value;
}

// A 0x00RRGGBB pixel's channels.
struct Rgb {
  explicit Rgb(std::uint32_t p)
      : r(static_cast<int>((p >> 16) & 0xFF)), g(static_cast<int>((p >> 8) & 0xFF)),
        b(static_cast<int>(p & 0xFF)) {}
  int r, g, b;
  bool operator==(const Rgb &) const = default;
  bool Neutral() const { return r == g && g == b; }
  bool Magenta() const { return r == 255 && g == 0 && b == 255; }
};

// PNG resource id decoded by the game's own ImageAsset; empty when missing or undecodable.
platform::Surface DecodePicture(HINSTANCE module, WORD id);
inline Rgb At(const platform::Surface &picture, int x, int y) { return Rgb(picture.Row(y)[x]); }

} // namespace art_test
