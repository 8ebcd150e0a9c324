// Bounded UTF-16 string functions: StringCchCopyW, StringCchCatW, StringCchLengthW,
// StringCchPrintfW. Every result is terminated; a cut result reports
// STRSAFE_E_INSUFFICIENT_BUFFER.
#pragma once

#include "windows.h"

#ifndef RC_INVOKED

#include <cstdarg>
#include <cstddef>

#define STRSAFE_MAX_CCH 2147483647
#define STRSAFE_E_INSUFFICIENT_BUFFER static_cast<HRESULT>(0x8007007AL)
#define STRSAFE_E_INVALID_PARAMETER static_cast<HRESULT>(0x80070057L)
#define STRSAFE_E_END_OF_FILE static_cast<HRESULT>(0x80070026L)

namespace strsafe_detail {

// Appends to a bounded buffer; remembers whether anything was cut.
struct Out {
  WCHAR *dest;
  std::size_t cch;
  std::size_t used = 0;
  bool cut = false;

  void Put(WCHAR c) {
    if (used + 1 < cch) {
      dest[used++] = c;
    } else {
      cut = true;
    }
  }
  HRESULT Finish() {
    dest[used] = 0;
    return cut ? STRSAFE_E_INSUFFICIENT_BUFFER : S_OK;
  }
};

// Writes a decimal number.
inline void PutDecimal(Out &out, int value) {
  WCHAR digits[12];
  int n = 0;
  auto magnitude = value < 0 ? 0U - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    digits[n++] = static_cast<WCHAR>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) {
    out.Put(u'-');
  }
  while (n > 0) {
    out.Put(digits[--n]);
  }
}

// printf for UTF-16, as far as the device's callers use it: %d and %%. Any other
// conversion, flag, width or size is refused rather than guessed at.
inline HRESULT Format(Out &out, LPCWSTR format, va_list list) {
  va_list args;
  va_copy(args, list);
  HRESULT result = S_OK;
  for (const WCHAR *p = format; *p != 0; ++p) {
    if (*p != u'%') {
      out.Put(*p);
    } else if (*++p == u'%') {
      out.Put(u'%');
    } else if (*p == u'd') {
      PutDecimal(out, va_arg(args, int));
    } else {
      out.dest[0] = 0;
      result = STRSAFE_E_INVALID_PARAMETER;
      break;
    }
  }
  va_end(args);
  return result == S_OK ? out.Finish() : result;
}

} // namespace strsafe_detail

inline HRESULT StringCchLengthW(LPCWSTR psz, std::size_t cchMax, std::size_t *pcchLength) {
  std::size_t length = 0;
  while (psz != nullptr && cchMax <= STRSAFE_MAX_CCH && length < cchMax && psz[length] != 0) {
    ++length;
  }
  const bool ok = psz != nullptr && cchMax <= STRSAFE_MAX_CCH && length < cchMax;
  if (pcchLength != nullptr) {
    *pcchLength = ok ? length : 0;
  }
  return ok ? S_OK : STRSAFE_E_INVALID_PARAMETER;
}

inline HRESULT StringCchCopyW(LPWSTR pszDest, std::size_t cchDest, LPCWSTR pszSrc) {
  if (pszDest == nullptr || cchDest == 0 || cchDest > STRSAFE_MAX_CCH) {
    return STRSAFE_E_INVALID_PARAMETER;
  }
  strsafe_detail::Out out{pszDest, cchDest};
  for (; pszSrc != nullptr && *pszSrc != 0 && !out.cut; ++pszSrc) {
    out.Put(*pszSrc);
  }
  return out.Finish();
}

inline HRESULT StringCchCatW(LPWSTR pszDest, std::size_t cchDest, LPCWSTR pszSrc) {
  std::size_t length = 0;
  if (pszDest == nullptr || FAILED(StringCchLengthW(pszDest, cchDest, &length))) {
    return STRSAFE_E_INVALID_PARAMETER;
  }
  return StringCchCopyW(pszDest + length, cchDest - length, pszSrc);
}

inline HRESULT StringCchVPrintfW(LPWSTR pszDest, std::size_t cchDest, LPCWSTR pszFormat,
                                 va_list argList) {
  if (pszDest == nullptr || cchDest == 0 || cchDest > STRSAFE_MAX_CCH) {
    return STRSAFE_E_INVALID_PARAMETER;
  }
  if (pszFormat == nullptr) {
    pszDest[0] = 0;
    return STRSAFE_E_INVALID_PARAMETER;
  }
  strsafe_detail::Out out{pszDest, cchDest};
  return strsafe_detail::Format(out, pszFormat, argList);
}

inline HRESULT StringCchPrintfW(LPWSTR pszDest, std::size_t cchDest, LPCWSTR pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  const HRESULT result = StringCchVPrintfW(pszDest, cchDest, pszFormat, args);
  va_end(args);
  return result;
}

#define StringCchCopy StringCchCopyW
#define StringCchCat StringCchCatW
#define StringCchLength StringCchLengthW
#define StringCchPrintf StringCchPrintfW
#define StringCchVPrintf StringCchVPrintfW

#endif // RC_INVOKED
