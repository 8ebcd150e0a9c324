// Maps opaque Win32 handle values to the layer's objects of one kind.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>

namespace platform {

// Handle values of a table start at `base` and step by 4, so the two low bits stay
// clear (the shell uses the low bit of a window handle as a flag) and a value from
// one table is never valid in another. Values are not reused while the table lives,
// so a stale handle is reported as invalid instead of reaching a newer object.
// The last two handles found are remembered, since callers ask for the same few
// again and again (a paint names its DC in every call); like the rest of the
// table, that is for one thread at a time.
template <class T> class HandleTable {
public:
  explicit HandleTable(std::uintptr_t base) : base_(base), next_(base) {}

  template <class H> H Add(std::unique_ptr<T> object) {
    next_ += 4;
    auto value = next_;
    objects_.emplace(value, std::move(object));
    return reinterpret_cast<H>(value);
  }

  template <class H> T *Find(H handle) const {
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    for (const Found &found : found_) {
      if (found.value == value && found.object != nullptr) {
        return found.object;
      }
    }
    auto it = objects_.find(value);
    if (it == objects_.end()) {
      return nullptr;
    }
    found_[1] = found_[0];
    found_[0] = Found{value, it->second.get()};
    return it->second.get();
  }

  template <class H> std::unique_ptr<T> Remove(H handle) {
    auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == objects_.end()) {
      return nullptr;
    }
    auto object = std::move(it->second);
    objects_.erase(it);
    for (Found &found : found_) {
      if (found.object == object.get()) {
        found = Found{};
      }
    }
    return object;
  }

  template <class H> bool Contains(H handle) const { return Find(handle) != nullptr; }

  std::size_t Size() const { return objects_.size(); }

  template <class F> void ForEach(F &&visit) const {
    for (const auto &[value, object] : objects_) {
      visit(value, *object);
    }
  }

  void Clear() {
    objects_.clear();
    found_[0] = found_[1] = Found{};
  }

private:
  struct Found {
    std::uintptr_t value = 0;
    T *object = nullptr;
  };
  std::uintptr_t base_;
  std::uintptr_t next_;
  std::unordered_map<std::uintptr_t, std::unique_ptr<T>> objects_;
  mutable Found found_[2];
};

} // namespace platform
