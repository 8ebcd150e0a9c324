// The game's sound cues, synthesised as 8-bit mono RIFF WAVE files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace artgen {

struct Sound {
  std::string name; // resource name, also the file's base name in lower case
  int rate;         // samples per second
  int samples;      // exact length
};

// The five cues, in the order of their resource script entries.
const std::vector<Sound> &Sounds();

// The complete file: RIFF header, "fmt " (PCM, mono, 8 bits) and "data".
std::vector<std::uint8_t> SynthesiseWave(const Sound &sound);

} // namespace artgen
