// Bounded UTF-16 string functions: StringCchCopyW, StringCchCatW, StringCchLengthW,
// StringCchPrintfW. Every result is terminated; a cut result reports
// STRSAFE_E_INSUFFICIENT_BUFFER.
#pragma once

#include "windows.h"

#ifndef RC_INVOKED

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <type_traits>

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
  void Repeat(WCHAR c, long n) {
    for (; n > 0; --n) {
      Put(c);
    }
  }
  HRESULT Finish() {
    dest[used] = 0;
    return cut ? STRSAFE_E_INSUFFICIENT_BUFFER : S_OK;
  }
};

struct Field {
  bool left = false;  // '-'
  bool zero = false;  // '0'
  bool plus = false;  // '+'
  bool space = false; // ' '
  bool alt = false;   // '#'
  long width = 0;
  long precision = -1;
};

// Writes digits with sign, prefix, precision and padding, as printf does.
inline void PutNumber(Out &out, const Field &field, std::uint64_t magnitude, bool negative,
                      unsigned base, bool upper) {
  WCHAR digits[24];
  int n = 0;
  const char *set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  while (magnitude != 0) {
    digits[n++] = static_cast<WCHAR>(set[magnitude % base]);
    magnitude /= base;
  }
  const long precision = field.precision < 0 ? 1 : field.precision;
  const long zeros = precision > n ? precision - n : 0;
  WCHAR sign = 0;
  if (negative) {
    sign = u'-';
  } else if (field.plus) {
    sign = u'+';
  } else if (field.space) {
    sign = u' ';
  }
  const bool prefix = field.alt && base == 16 && n > 0;
  const long length = n + zeros + (sign != 0 ? 1 : 0) + (prefix ? 2 : 0);
  const long pad = field.width > length ? field.width - length : 0;
  const bool zeroPad = field.zero && !field.left && field.precision < 0;
  if (!field.left && !zeroPad) {
    out.Repeat(u' ', pad);
  }
  if (sign != 0) {
    out.Put(sign);
  }
  if (prefix) {
    out.Put(u'0');
    out.Put(upper ? u'X' : u'x');
  }
  if (zeroPad) {
    out.Repeat(u'0', pad);
  }
  out.Repeat(u'0', zeros);
  while (n > 0) {
    out.Put(digits[--n]);
  }
  if (field.left) {
    out.Repeat(u' ', pad);
  }
}

// Writes a string (wide or narrow) cut to the precision and padded to the width.
template <class Char> void PutString(Out &out, const Field &field, const Char *s) {
  static const Char null[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
  if (s == nullptr) {
    s = null;
  }
  long length = 0;
  while (s[length] != 0 && (field.precision < 0 || length < field.precision)) {
    ++length;
  }
  const long pad = field.width > length ? field.width - length : 0;
  if (!field.left) {
    out.Repeat(u' ', pad);
  }
  for (long i = 0; i < length; ++i) {
    out.Put(static_cast<WCHAR>(static_cast<std::make_unsigned_t<Char>>(s[i])));
  }
  if (field.left) {
    out.Repeat(u' ', pad);
  }
}

// The variable arguments, handed to each step of a conversion by reference: a
// va_list passed on by value may not be read again by its owner.
struct Args {
  va_list list;
};

// The argument sizes: an int and a long are 32 bits, "ll" and "I64" 64 bits, 'z'
// and 'I' a size_t; 'h' makes %s narrow.
enum class Size { Bits32, Bits64, SizeT, Narrow };

// The flags, width and precision of a conversion (`*` reads them from the
// arguments), from just after its '%'; returns where they end.
inline const WCHAR *ReadField(const WCHAR *p, Args &args, Field *field) {
  for (;; ++p) {
    if (*p == u'-') {
      field->left = true;
    } else if (*p == u'0') {
      field->zero = true;
    } else if (*p == u'+') {
      field->plus = true;
    } else if (*p == u' ') {
      field->space = true;
    } else if (*p == u'#') {
      field->alt = true;
    } else {
      break;
    }
  }
  if (*p == u'*') {
    field->width = va_arg(args.list, int);
    if (field->width < 0) {
      field->left = true;
      field->width = -field->width;
    }
    ++p;
  }
  for (; *p >= u'0' && *p <= u'9'; ++p) {
    field->width = field->width > 100000 ? field->width : field->width * 10 + (*p - u'0');
  }
  if (*p == u'.') {
    field->precision = 0;
    if (*++p == u'*') {
      const int precision = va_arg(args.list, int);
      field->precision = precision < 0 ? -1 : precision;
      ++p;
    }
    for (; *p >= u'0' && *p <= u'9'; ++p) {
      field->precision =
          field->precision > 100000 ? field->precision : field->precision * 10 + (*p - u'0');
    }
  }
  return p;
}

// The size prefix of a conversion; returns where it ends.
inline const WCHAR *ReadSize(const WCHAR *p, Size *size) {
  *size = Size::Bits32;
  if (*p == u'l' && p[1] == u'l') {
    *size = Size::Bits64;
    return p + 2;
  }
  if (*p == u'I' && p[1] == u'6' && p[2] == u'4') {
    *size = Size::Bits64;
    return p + 3;
  }
  if (*p == u'z' || *p == u'I') {
    *size = Size::SizeT;
    return p + 1;
  }
  if (*p == u'h') {
    *size = Size::Narrow;
    return p + 1;
  }
  return *p == u'l' || *p == u'w' ? p + 1 : p;
}

inline std::int64_t ReadSigned(Args &args, Size size) {
  if (size == Size::Bits64) {
    return va_arg(args.list, long long);
  }
  if (size == Size::SizeT) {
    return static_cast<std::int64_t>(va_arg(args.list, std::size_t));
  }
  return va_arg(args.list, int);
}

inline std::uint64_t ReadUnsigned(Args &args, Size size) {
  if (size == Size::Bits64) {
    return va_arg(args.list, unsigned long long);
  }
  if (size == Size::SizeT) {
    return va_arg(args.list, std::size_t);
  }
  return va_arg(args.list, unsigned int);
}

// Writes one conversion; false for one it does not know, which is refused rather
// than guessed at.
inline bool Convert(Out &out, const Field &field, Size size, WCHAR conversion, Args &args) {
  switch (conversion) {
  case u'd':
  case u'i': {
    const std::int64_t v = ReadSigned(args, size);
    const std::uint64_t magnitude =
        v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    PutNumber(out, field, magnitude, v < 0, 10, false);
    return true;
  }
  case u'u':
    PutNumber(out, field, ReadUnsigned(args, size), false, 10, false);
    return true;
  case u'x':
  case u'X':
    PutNumber(out, field, ReadUnsigned(args, size), false, 16, conversion == u'X');
    return true;
  case u'o':
    PutNumber(out, field, ReadUnsigned(args, size), false, 8, false);
    return true;
  case u'p': {
    Field pointer = field;
    pointer.alt = true;
    PutNumber(out, pointer, reinterpret_cast<std::uintptr_t>(va_arg(args.list, void *)), false, 16,
              false);
    return true;
  }
  case u'c': {
    const WCHAR c[2] = {static_cast<WCHAR>(va_arg(args.list, int)), 0};
    PutString(out, field, c);
    return true;
  }
  case u's':
    if (size == Size::Narrow) {
      PutString(out, field, va_arg(args.list, const char *));
    } else {
      PutString(out, field, va_arg(args.list, const WCHAR *));
    }
    return true;
  case u'S':
    PutString(out, field, va_arg(args.list, const char *));
    return true;
  case u'%':
    out.Put(u'%');
    return true;
  default:
    return false;
  }
}

// printf for UTF-16 with the device's sizes (see Size). %s and %ls take a WCHAR
// string, %S and %hs a char string; %c a WCHAR.
inline HRESULT Format(Out &out, LPCWSTR format, va_list list) {
  Args args;
  va_copy(args.list, list);
  HRESULT result = S_OK;
  for (const WCHAR *p = format; *p != 0; ++p) {
    if (*p != u'%') {
      out.Put(*p);
      continue;
    }
    Field field;
    Size size = Size::Bits32;
    p = ReadSize(ReadField(p + 1, args, &field), &size);
    if (!Convert(out, field, size, *p, args)) {
      out.dest[0] = 0;
      result = STRSAFE_E_INVALID_PARAMETER;
      break;
    }
  }
  va_end(args.list);
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
