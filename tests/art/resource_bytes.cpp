// The layer's resource calls wrapped for the art tests, and the template reader.
#include "resource_bytes.h"

#include "kernel/module.h"

namespace art_test {

HINSTANCE LoadGameModule(std::string *error) {
  return platform::LoadModuleFromRes(platform::EmbeddedResources(), error);
}

std::span<const std::byte> ResourceBytes(HINSTANCE module, LPCWSTR name, LPCWSTR type) {
  HRSRC info = FindResourceW(module, name, type);
  if (info == nullptr) {
    return {};
  }
  const auto *data = static_cast<const std::byte *>(LockResource(LoadResource(module, info)));
  if (data == nullptr) {
    return {};
  }
  return {data, SizeofResource(module, info)};
}

WORD Reader::Word() {
  if (!ok_ || at_ + 2 > bytes_.size()) {
    ok_ = false;
    return 0;
  }
  const auto v = static_cast<WORD>(std::to_integer<unsigned>(bytes_[at_]) |
                                   (std::to_integer<unsigned>(bytes_[at_ + 1]) << 8));
  at_ += 2;
  return v;
}

DWORD Reader::Dword() {
  const DWORD low = Word();
  const DWORD high = Word();
  return low | (high << 16);
}

std::u16string Reader::String() {
  std::u16string s;
  for (WORD c = Word(); ok_ && c != 0; c = Word()) {
    s.push_back(static_cast<char16_t>(c));
  }
  return s;
}

NameOrOrdinal Reader::Name() {
  if (at_ + 2 <= bytes_.size() && std::to_integer<unsigned>(bytes_[at_]) == 0xFF &&
      std::to_integer<unsigned>(bytes_[at_ + 1]) == 0xFF) {
    Word();
    return Word();
  }
  return String();
}

void Reader::Skip(std::size_t n) {
  if (!ok_ || at_ + n > bytes_.size()) {
    ok_ = false;
    return;
  }
  at_ += n;
}

void Reader::AlignTo(std::size_t n) { at_ = (at_ + n - 1) / n * n; }

} // namespace art_test
