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

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb &) const = default;
  bool Neutral() const { return r == g && g == b; }
  bool Magenta() const { return r == 255 && g == 0 && b == 255; }
};

struct Picture {
  int width = 0, height = 0;
  std::vector<Rgb> pixels; // rows top to bottom
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
  }
  Rgb At(int x, int y) const { return pixels[Index(x, y)]; }
};

// PNG resource id decoded by the game's own ImageAsset; empty when missing or undecodable.
Picture DecodePicture(HINSTANCE module, WORD id);

} // namespace art_test
