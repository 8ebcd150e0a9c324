// Builds RIFF WAVE images for the sound tests, with any field open to damage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/resources/res_builder.h"

namespace soundtest {

struct Chunk {
  std::string tag;
  std::vector<std::byte> body;
  bool pad = true; // add the pad byte after an odd body
};

using restest::Put;
using restest::PutChars;

struct Format {
  WORD format = 1;
  WORD channels = 1;
  std::uint32_t rate = 11025;
  WORD bits = 8;
  int byteRateDelta = 0;   // added to the consistent byte rate
  int blockAlignDelta = 0; // added to the consistent block alignment
};

inline Chunk FmtChunk(const Format &f, std::size_t extra = 0) {
  Chunk c{"fmt ", {}};
  const int align = f.channels * f.bits / 8;
  Put<WORD>(c.body, f.format);
  Put<WORD>(c.body, f.channels);
  Put<DWORD>(c.body, f.rate);
  Put<DWORD>(c.body, static_cast<DWORD>(static_cast<int>(f.rate) * align + f.byteRateDelta));
  Put<WORD>(c.body, static_cast<WORD>(align + f.blockAlignDelta));
  Put<WORD>(c.body, f.bits);
  c.body.resize(c.body.size() + extra);
  return c;
}

inline Chunk DataChunk(const std::vector<std::byte> &samples) { return Chunk{"data", samples}; }

// The image; riffSizeDelta corrupts the RIFF size field.
inline std::vector<std::byte> Wave(const std::vector<Chunk> &chunks, int riffSizeDelta = 0,
                                   const std::string &form = "WAVE") {
  std::vector<std::byte> body;
  PutChars(body, form);
  for (const Chunk &c : chunks) {
    PutChars(body, c.tag);
    Put<DWORD>(body, static_cast<DWORD>(c.body.size()));
    body.insert(body.end(), c.body.begin(), c.body.end());
    if (c.body.size() % 2 != 0 && c.pad) {
      body.push_back(std::byte{0});
    }
  }
  std::vector<std::byte> image;
  PutChars(image, "RIFF");
  Put<DWORD>(image, static_cast<DWORD>(static_cast<int>(body.size()) + riffSizeDelta));
  image.insert(image.end(), body.begin(), body.end());
  return image;
}

inline std::vector<std::byte> Samples(std::size_t n, unsigned seed = 1) {
  std::vector<std::byte> s(n);
  for (std::size_t i = 0; i < n; ++i) {
    s[i] = static_cast<std::byte>((i * 37 + seed * 11) & 0xFF);
  }
  return s;
}

} // namespace soundtest
