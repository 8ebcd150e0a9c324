// The desktop's face source: fontconfig's best match for a face the fonts-wine
// folder does not have, the folder's faces added to what fontconfig knows.
#include <fontconfig/fontconfig.h>

#include "common/utf.h"
#include "gdi/face_source.h"

namespace platform::gdi {
namespace {

// Started at the first face the folder does not have: loading fontconfig's
// configuration costs more than the rest of the game's start together. Released at
// exit, so that leak checkers see a clean process.
struct Fontconfig {
  FcConfig *config = nullptr;
  bool tried = false;

  ~Fontconfig() {
    if (config != nullptr) {
      FcConfigDestroy(config);
      FcFini();
    }
  }
};

// fontconfig with the folder's faces added, started at its first use; null when
// it cannot start.
FcConfig *Started(const std::vector<std::string> &folderFiles) {
  static Fontconfig fontconfig;
  if (!fontconfig.tried) {
    fontconfig.tried = true;
    fontconfig.config = FcInitLoadConfigAndFonts();
    if (fontconfig.config != nullptr) {
      for (const std::string &path : folderFiles) {
        FcConfigAppFontAddFile(fontconfig.config, reinterpret_cast<const FcChar8 *>(path.c_str()));
      }
    }
  }
  return fontconfig.config;
}

} // namespace

FaceFile FaceBeyondFolder(const std::u16string &family, int weight, bool italic,
                          const FaceFile & /*nearest*/,
                          const std::vector<std::string> &folderFiles) {
  FaceFile found{"", 0};
  FcConfig *config = Started(folderFiles);
  if (config == nullptr) {
    return found;
  }
  FcPattern *pattern = FcPatternCreate();
  const std::string name = Utf8(family);
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(name.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  if (FcPattern *match = FcFontMatch(config, pattern, &result)) {
    FcChar8 *file = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      found = {reinterpret_cast<const char *>(file), index};
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return found;
}

} // namespace platform::gdi
