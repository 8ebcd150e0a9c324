// artgen: draws every picture, synthesises every sound and writes them to the resource
// folder, or checks that the files there are exactly what it would write.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "art.h"
#include "icon_file.h"
#include "sounds.h"

namespace {

using Files = std::map<std::string, std::vector<std::uint8_t>>;

std::string Lower(std::string s) {
  for (char &c : s) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return s;
}

void AddSet(Files &files, int scale) {
  using namespace artgen;
  const std::string dpi = scale == 1 ? "96" : "192";
  const auto add = [&](const std::string &name, const Image &image) {
    files[name + "_" + dpi + ".png"] = EncodePng(image);
  };
  const TablePictures table = DrawTablePictures(scale);
  add("table_portrait", table.portraitTable);
  add("table_landscape", table.landscapeTable);
  add("buttons_portrait", table.portraitButtons);
  add("buttons_landscape", table.landscapeButtons);
  add("chips_portrait", table.portraitChips);
  add("chips_landscape", table.landscapeChips);
  add("clubs", CardStrip(Suit::Clubs, scale));
  add("diamonds", CardStrip(Suit::Diamonds, scale));
  add("spades", CardStrip(Suit::Spades, scale));
  add("hearts", CardStrip(Suit::Hearts, scale));
  add("card_back", CardBack(scale));
}

Files Generate() {
  Files files;
  AddSet(files, 1);
  AddSet(files, 2);
  for (const artgen::Sound &sound : artgen::Sounds()) {
    files[Lower(sound.name) + ".wav"] = artgen::SynthesiseWave(sound);
  }
  files["blackjack.ico"] =
      artgen::EncodeIcon({artgen::DrawIcon(64), artgen::DrawIcon(32), artgen::DrawIcon(16)});
  // The desktop's icon theme: the sizes a menu, a dock and a file manager ask for.
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    const artgen::AlphaImage icon = artgen::DrawDesktopIcon(size);
    files["icons/blackjack_" + std::to_string(size) + ".png"] =
        artgen::EncodePng(icon.picture, icon.alpha);
  }
  return files;
}

bool ReadFile(const std::filesystem::path &path, std::vector<std::uint8_t> &bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

int Usage() {
  std::fprintf(stderr, "usage: artgen [--check] FOLDER\n"
                       "  writes the game's pictures, sounds and icons into FOLDER;\n"
                       "  with --check, only reports the files in FOLDER that differ\n");
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool check = !args.empty() && args[0] == "--check";
  if (args.size() != (check ? 2U : 1U)) {
    return Usage();
  }
  const std::filesystem::path folder = args.back();
  try {
    const Files files = Generate();
    int differing = 0;
    for (const auto &[name, bytes] : files) {
      std::vector<std::uint8_t> existing;
      const bool present = ReadFile(folder / name, existing);
      if (present && existing == bytes) {
        continue;
      }
      if (check) {
        std::fprintf(stderr, "%s: %s\n", (folder / name).c_str(),
                     present ? "differs from a fresh generation" : "missing");
        ++differing;
        continue;
      }
      std::filesystem::create_directories((folder / name).parent_path());
      std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char *>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
      if (!out) {
        throw std::runtime_error("cannot write " + (folder / name).string());
      }
      std::printf("wrote %s\n", (folder / name).c_str());
    }
    if (check && differing > 0) {
      std::fprintf(stderr, "%d of %zu generated files differ; run `make art`\n", differing,
                   files.size());
      return 1;
    }
  } catch (const std::exception &e) {
    std::fprintf(stderr, "artgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
