// UTF-16 string helpers of the kernel: lstrcmpW and friends.
#include <windows.h>

#include "common/case_fold.h"

namespace {

template <class Fold> int Compare(LPCWSTR a, LPCWSTR b, Fold fold) {
  // Win32 treats a null pointer as an empty string here.
  if (a == nullptr) {
    a = u"";
  }
  if (b == nullptr) {
    b = u"";
  }
  for (;; ++a, ++b) {
    const char16_t ca = fold(*a);
    const char16_t cb = fold(*b);
    if (ca != cb) {
      return ca < cb ? -1 : 1;
    }
    if (ca == 0) {
      return 0;
    }
  }
}

} // namespace

int WINAPI lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2) {
  return Compare(lpString1, lpString2, [](char16_t c) { return c; });
}

int WINAPI lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2) {
  return Compare(lpString1, lpString2, platform::UpperCaseUnit);
}

int WINAPI lstrlenW(LPCWSTR lpString) {
  if (lpString == nullptr) {
    return 0;
  }
  int n = 0;
  while (lpString[n] != 0) {
    ++n;
  }
  return n;
}
