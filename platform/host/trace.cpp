// The --trace log: sounds from the sound subsystem's record, timers from user/.
#include "host/trace.h"

#include <cstdio>
#include <string>

#include "host/device.h"
#include "sound/sound.h"

namespace platform {
namespace {

struct TraceState {
  std::FILE *file = nullptr;
  std::size_t soundsWritten = 0; // entries of PlayedSounds() already in the trace
};

TraceState &State() {
  static TraceState state;
  return state;
}

std::string Utf8(const std::u16string &text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

void WriteLine(unsigned long long ms, const std::string &text) {
  if (State().file != nullptr) {
    std::fprintf(State().file, "%llu %s\n", ms, text.c_str());
  }
}

} // namespace

bool OpenTrace(const std::string &path) {
  CloseTrace();
  State().file = std::fopen(path.c_str(), "w");
  State().soundsWritten = PlayedSounds().size();
  return State().file != nullptr;
}

void CloseTrace() {
  if (State().file != nullptr) {
    TraceSounds();
    std::fclose(State().file);
    State().file = nullptr;
  }
}

bool TraceOpen() { return State().file != nullptr; }

std::string SoundFlagsText(DWORD flags) {
  // SND_RESOURCE includes the SND_MEMORY bit, so it is looked at first.
  static const struct {
    DWORD bits;
    const char *name;
  } names[] = {
      {SND_RESOURCE, "SND_RESOURCE"}, {SND_ASYNC, "SND_ASYNC"},   {SND_NODEFAULT, "SND_NODEFAULT"},
      {SND_MEMORY, "SND_MEMORY"},     {SND_LOOP, "SND_LOOP"},     {SND_NOSTOP, "SND_NOSTOP"},
      {SND_PURGE, "SND_PURGE"},       {SND_NOWAIT, "SND_NOWAIT"}, {SND_ALIAS, "SND_ALIAS"},
      {SND_FILENAME, "SND_FILENAME"},
  };
  std::string text;
  for (const auto &n : names) {
    if ((flags & n.bits) == n.bits) {
      text += (text.empty() ? "" : "|") + std::string(n.name);
      flags &= ~n.bits;
    }
  }
  if (flags != 0) {
    char rest[16];
    std::snprintf(rest, sizeof rest, "0x%x", static_cast<unsigned>(flags));
    text += (text.empty() ? "" : "|") + std::string(rest);
  }
  return text.empty() ? "0" : text;
}

void TraceSounds() {
  TraceState &state = State();
  const auto &sounds = PlayedSounds();
  if (sounds.size() < state.soundsWritten) {
    state.soundsWritten = 0; // the record was cleared
  }
  for (; state.soundsWritten < sounds.size(); ++state.soundsWritten) {
    const PlayedSound &s = sounds[state.soundsWritten];
    WriteLine(s.atMs, "sound " + (s.name.empty() ? std::string("-") : Utf8(s.name)) + " " +
                          SoundFlagsText(s.flags));
  }
}

void TraceTimer(bool set, UINT_PTR id, UINT periodMs) {
  if (State().file == nullptr) {
    return;
  }
  TraceSounds();
  const auto now = static_cast<unsigned long long>(CurrentDevice().NowMs());
  WriteLine(now, set ? "timer set " + std::to_string(id) + " " + std::to_string(periodMs)
                     : "timer kill " + std::to_string(id));
}

} // namespace platform
