// Where the game's own text puts its glyphs (both dialogs, the navigation and soft-key
// bars, the table) at 96 and 192 dpi in each smoothing mode, against the face's hinted
// advances as FreeType gives them here, without the layer.
#include <windows.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/events.h"
#include "kernel/module.h"
#include "shell/shell.h"
#include "testing/testing.h"
#include "view/geometry.h"

namespace {

// What the layer laid out while it listened: one record per line of text drawn.
struct Line {
  std::string file;
  int index = 0;
  int pixelsPerEm = 0;
  BYTE quality = 0;
  bool emboldened = false;
  std::u32string text;
  std::vector<long> pens;
};

class Lines : public platform::DeviceListener {
public:
  Lines() { platform::AddDeviceListener(this); }
  ~Lines() override { platform::RemoveDeviceListener(this); }
  Lines(const Lines &) = delete;
  Lines &operator=(const Lines &) = delete;
  void TextDrawn(const platform::TextEvent &e) override {
    if (!e.callerSpacing) {
      seen.push_back(Line{std::string(e.faceFile), e.faceIndex, e.pixelsPerEm, e.quality,
                          e.emboldened, std::u32string(e.text),
                          std::vector<long>(e.pens.begin(), e.pens.end())});
    }
  }
  std::vector<Line> seen;
};

// The faces' advances from FreeType: each glyph hinted at the line's size, its advance
// in whole pixels, and a pixel more for a bold made from a lighter face.
class Advances {
public:
  Advances() { EXPECT_EQ(FT_Init_FreeType(&library_), 0); }
  ~Advances() {
    for (auto &[key, face] : faces_) {
      FT_Done_Face(face);
    }
    FT_Done_FreeType(library_);
  }
  Advances(const Advances &) = delete;
  Advances &operator=(const Advances &) = delete;

  long Of(const Line &line, char32_t c) {
    FT_Face &face = faces_[{line.file, line.index}];
    if (face == nullptr && FT_New_Face(library_, line.file.c_str(), line.index, &face) != 0) {
      ADD_FAILURE() << "FreeType cannot open " << line.file;
      return -1;
    }
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(line.pixelsPerEm));
    if (FT_Load_Char(face, c, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) != 0) {
      return -1;
    }
    return ((face->glyph->advance.x + 32) >> 6) + (line.emboldened ? 1 : 0);
  }

private:
  FT_Library library_ = nullptr;
  std::map<std::pair<std::string, int>, FT_Face> faces_;
};

std::string Narrow(const std::u32string &text) { return std::string(text.begin(), text.end()); }

// Options (its soft key, then the navigation bar's ok), About the same way, then a hand
// played to its result: a chip, Deal, Stand, the dealer's turn. Points at 96 dpi.
std::string Tour(int scale) {
  const int taps[][2] = {{120, 307}, {230, 10}, {200, 307}, {230, 10},
                         {127, 276}, {30, 242}, {150, 242}};
  std::string script;
  for (const auto &tap : taps) {
    script += "tap " + std::to_string(tap[0] * scale) + " " + std::to_string(tap[1] * scale) + "\n";
  }
  return script + "wait 2000\n";
}

TEST(TextPlacement, EveryGlyphOfTheGameStandsWhereTheFacesHintedAdvancesPutIt) {
  Advances advances;
  std::set<BYTE> qualities;
  std::set<std::string> strings;
  // The device's own text in grey with the table aliased, then both in ClearType.
  for (const int scale : {1, 2}) {
    for (const bool clearType : {false, true}) {
      SCOPED_TRACE("dpi " + std::to_string(96 * scale) + (clearType ? ", ClearType" : ", grey"));
      platform::test::TempProfile profile;
      std::ofstream(profile.Dir() + "/registry.reg")
          << "Windows Registry Editor Version 5.00\n\n"
          << "[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n"
          << "\"ClearType\"=dword:0000000" << (clearType ? 1 : 0) << "\n";
      platform::test::HeadlessDevice device({.width = 240 * scale,
                                             .height = 320 * scale,
                                             .dpi = 96 * scale,
                                             .clockStart = {2026, 1, 4, 1, 12, 0, 17, 0},
                                             .profileDir = profile.Dir(),
                                             .clearTypeSystemText = clearType});
      Lines lines;
      screenDpi = 0;
      const auto run = platform::test::RunScript(
          WinMain, Tour(scale), platform::test::LoadResModule(platform::EmbeddedResources()));
      screenDpi = landscapeLayout = 0;
      ASSERT_EQ(run.exitCode, 0) << run.error;
      for (const Line &line : lines.seen) {
        qualities.insert(line.quality);
        strings.insert(Narrow(line.text));
        ASSERT_EQ(line.pens.size(), line.text.size() + 1);
        long pen = 0;
        for (std::size_t i = 0; i < line.text.size(); ++i) {
          pen += advances.Of(line, line.text[i]);
          ASSERT_EQ(line.pens[i + 1], pen)
              << "after \"" << Narrow(line.text.substr(0, i + 1)) << "\" of \"" << Narrow(line.text)
              << "\" in " << line.file << " at " << line.pixelsPerEm << " pixels, quality "
              << int{line.quality};
        }
      }
    }
  }
  EXPECT_EQ(qualities,
            (std::set<BYTE>{NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY}));
  // A line of each: the Options dialog, About's wrapped text, both bars, the table.
  for (const char *expected : {"Number of Decks in Play", "Press Double to double bet amount and",
                               "About BlackJack", "Options", "BANK: $", "Dealer Busts - You Win"}) {
    EXPECT_TRUE(strings.count(expected) != 0) << "never drew \"" << expected << "\"";
  }
}

} // namespace
