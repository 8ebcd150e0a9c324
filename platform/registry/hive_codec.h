// The regedit text form's pieces, shared by the parser and the writer of the hive.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "registry/hive.h"

namespace platform::registry {

inline constexpr std::string_view HeaderLine = "Windows Registry Editor Version 5.00";
inline constexpr std::string_view OldHeaderLine = "REGEDIT4";
inline constexpr std::string_view RootName = "HKEY_CURRENT_USER";

// Without the blanks (spaces and tabs) at either end.
std::string_view Trim(std::string_view s);

// The file's bytes as UTF-8 text without a byte order mark: UTF-8 with or without
// the mark, or UTF-16LE with it. False when UTF-16 is malformed.
bool DecodeFile(std::string_view bytes, std::string *text);

// 1 to 8 hex digits, nothing else.
bool ParseHex32(std::string_view s, DWORD *value);
// "aa,bb , c" -> bytes; an empty list is zero bytes. False with the reason.
bool ParseHexBytes(std::string_view s, std::vector<BYTE> *out, std::string *why);
// `value` as `digits` lower-case hex digits.
void AppendHex(std::string *out, unsigned value, int digits);

// A quoted string at the start of `*s` with \\ and \" escapes; `*s` is left after
// it. False with the reason.
bool ParseQuoted(std::string_view *s, std::string *out, std::string *why);
void AppendQuoted(std::string *out, std::string_view utf8);

// The data of a REG_SZ holding `text`, terminated.
std::vector<BYTE> StringData(std::u16string_view text);
// The text of a REG_SZ when it can be written as "text" and read back to the same
// bytes: one terminating NUL, none inside, no line breaks, valid UTF-16.
bool StringForm(const Value &v, std::u16string *text);

} // namespace platform::registry
