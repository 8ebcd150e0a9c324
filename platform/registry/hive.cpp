// The hive in memory: keys by path and values by name, in any case.
#include "registry/hive.h"

#include <algorithm>

#include "common/case_fold.h"
#include "common/utf.h"

namespace platform::registry {
namespace {

constexpr std::size_t MaxComponent = 255;
constexpr std::size_t MaxPath = 1024;

} // namespace

bool IsStorableName(std::u16string_view name) {
  return std::none_of(name.begin(), name.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; }) &&
         ValidUtf16(name);
}

const Value *Key::FindValue(std::u16string_view name) const {
  const auto it = values.find(UpperCased(name));
  return it == values.end() ? nullptr : &it->second;
}

void Key::SetValue(Value value) {
  auto [it, inserted] = values.try_emplace(UpperCased(value.name));
  if (inserted) {
    it->second = std::move(value);
  } else {
    it->second.type = value.type;
    it->second.data = std::move(value.data);
  }
}

bool Key::DeleteValue(std::u16string_view name) { return values.erase(UpperCased(name)) != 0; }

Hive::Hive() { keys_.emplace(u"", Key{}); }

const Key *Hive::Find(std::u16string_view path) const {
  const auto it = keys_.find(UpperCased(path));
  return it == keys_.end() ? nullptr : &it->second;
}

Key *Hive::Find(std::u16string_view path) {
  const auto it = keys_.find(UpperCased(path));
  return it == keys_.end() ? nullptr : &it->second;
}

Key &Hive::Create(std::u16string_view path, bool *created) {
  if (created != nullptr) {
    *created = false;
  }
  const std::u16string folded = UpperCased(path);
  if (const auto found = keys_.find(folded); found != keys_.end()) {
    return found->second;
  }
  Key *key = &keys_.at(u"");
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) {
      end = path.size();
    }
    const std::u16string_view prefix = std::u16string_view(folded).substr(0, end);
    auto it = keys_.find(prefix);
    if (it == keys_.end()) {
      // A new key takes its parent's name as stored, then its own as given.
      it = keys_.emplace(std::u16string(prefix), Key{}).first;
      it->second.path = JoinPath(key->path, path.substr(start, end - start));
      if (created != nullptr) {
        *created = true;
      }
    }
    key = &it->second;
    start = end + 1;
  }
  return *key;
}

void Hive::Remove(std::u16string_view path) {
  const std::u16string folded = UpperCased(path);
  if (folded.empty()) {
    keys_.clear();
    keys_.emplace(u"", Key{});
    return;
  }
  keys_.erase(folded);
  // Every key below sorts between "path\\" and "path]", the next character.
  keys_.erase(keys_.lower_bound(folded + u'\\'), keys_.lower_bound(folded + u']'));
}

bool NormalisePath(std::u16string_view path, std::u16string *normalised) {
  if (!path.empty() && path.back() == u'\\') {
    path.remove_suffix(1);
  }
  if (path.size() > MaxPath) {
    return false;
  }
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) {
      end = path.size();
    }
    const std::u16string_view part = path.substr(start, end - start);
    if (part.empty() || part.size() > MaxComponent || !IsStorableName(part)) {
      return false;
    }
    start = end + 1;
  }
  if (!path.empty() && path.back() == u'\\') {
    return false; // two trailing backslashes: an empty last component
  }
  normalised->assign(path);
  return true;
}

std::u16string JoinPath(std::u16string_view parent, std::u16string_view child) {
  if (parent.empty()) {
    return std::u16string(child);
  }
  if (child.empty()) {
    return std::u16string(parent);
  }
  std::u16string joined(parent);
  joined.push_back(u'\\');
  joined.append(child);
  return joined;
}

} // namespace platform::registry
