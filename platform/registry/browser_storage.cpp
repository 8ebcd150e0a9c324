// The hive's files in a page: the page's files vanish with the page, so every save
// is also written to the browser's localStorage, which writes synchronously (a save
// that returned is stored), and a new page starts from that copy.
#include "registry/hive_files.h"

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

// Writes the browser's copy of `path` to that file when the file does not exist
// yet (a new page); nothing when there is no copy.
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

class BrowserFiles : public HiveFiles {
public:
  void Start(const std::string &folder, const std::string &hivePath) override {
    if (MakePrivateFolders(folder) == 0) {
      RestoreFromBrowser(hivePath);
    }
  }

  // The save is done once the browser has it: ENOSPC when its storage is full,
  // EACCES when the page may not use it. Outside a browser (node) there is
  // nothing to keep.
  int Commit(const std::string &hivePath, const std::string &text) override {
    switch (bj_store_hive(Key(hivePath).c_str(), text.c_str())) {
    case 0:
      return 0;
    case 1:
      return ENOSPC;
    default:
      return EACCES;
    }
  }
};

} // namespace

HiveFiles &BuildHiveFiles() {
  static BrowserFiles files;
  return files;
}

} // namespace platform::registry
