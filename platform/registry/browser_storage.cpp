// The browser's copy of the hive in localStorage, which writes synchronously: a
// save that returned is stored.
#include "registry/browser_storage.h"

#include <emscripten.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace platform::registry {
namespace {

// 0 stored, 1 storage full, 2 storage refused; 0 as well where there is none.
EM_JS(int, bj_store_hive, (const char *key, const char *text), {
  if (typeof window == 'undefined')
    return 0;
  try {
    window.localStorage.setItem(UTF8ToString(key), UTF8ToString(text));
    return 0;
  } catch (e) {
    return e && e.name == 'QuotaExceededError' ? 1 : 2;
  }
});

// The stored copy as a malloc'd string, or null.
EM_JS(char *, bj_load_hive, (const char *key), {
  if (typeof window == 'undefined')
    return 0;
  var text = null;
  try {
    text = window.localStorage.getItem(UTF8ToString(key));
  } catch (e) {
    return 0;
  }
  if (text == null)
    return 0;
  var size = lengthBytesUTF8(text) + 1;
  var out = _malloc(size);
  stringToUTF8(text, out, size);
  return out;
});

std::string Key(const std::string &path) { return "blackjack:" + path; }

} // namespace

int KeepInBrowser(const std::string &path, const std::string &text) {
  switch (bj_store_hive(Key(path).c_str(), text.c_str())) {
  case 0:
    return 0;
  case 1:
    return ENOSPC;
  default:
    return EACCES;
  }
}

void RestoreFromBrowser(const std::string &path) {
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) {
    return;
  }
  char *text = bj_load_hive(Key(path).c_str());
  if (text == nullptr) {
    return;
  }
  if (std::FILE *file = std::fopen(path.c_str(), "wb")) {
    std::fputs(text, file);
    std::fclose(file);
  }
  std::free(text);
}

} // namespace platform::registry
