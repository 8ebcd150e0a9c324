// Recordings of a game played in the window: a headless script with a header that
// holds everything a replay needs, written a line at a time as the game goes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "device/device.h"
#include "device/events.h"

namespace platform {

// What a replay starts from: nothing of the recording machine's own state.
struct RecordingHeader {
  std::string version; // of the program that recorded
  int width = 0;
  int height = 0;
  int dpi = 0;
  OsProfile os;
  SYSTEMTIME clock{}; // the device clock at the start (hours, minutes, seconds)
  std::string hive;   // HKEY_CURRENT_USER as the game found it, in the regedit form
};

// The largest recording a replay reads.
inline constexpr std::size_t kLargestRecording = 64u << 20;

// Writes a recording: the header at once, then, while it lives, each input the
// layer takes with the wait before it. Every line goes to the file in one write as
// it happens, so a crash or a kill leaves a recording that replays up to its last
// input, the one that crashed included.
class Recorder : public DeviceListener {
public:
  // Creates or truncates `path`; null with the reason in *error.
  static std::unique_ptr<Recorder> Create(const std::string &path, const RecordingHeader &header,
                                          std::string *error);
  ~Recorder() override;
  Recorder(const Recorder &) = delete;
  Recorder &operator=(const Recorder &) = delete;

  // The first write that failed, or empty.
  const std::string &Error() const { return error_; }

private:
  Recorder(int fd, std::string path, std::uint64_t startMs);
  void InputQueued(const InputEvent &event, std::uint64_t atMs) override;
  void WriteLine(const std::string &line);

  int fd_;
  std::string path_;
  std::uint64_t lastMs_;
  std::string error_;
};

// The header's text, as Recorder writes it (the fuzz target reads it back).
std::string RecordingHeaderText(const RecordingHeader &header);

// Reads a recording: its header into *header, and the script that follows into
// *script, ready for the headless host or the window's replay. A last line without
// its line break is where the recording was cut off, and is left out. False with
// one line in *error for something that is no recording of this program's, a
// recording of another version, or a damaged one.
bool ReadRecording(std::string_view text, const std::string &programVersion,
                   RecordingHeader *header, std::string *script, std::string *error);

// The script line of an input event ("down 127 276", "keydown ctrl", "rotate").
std::string InputLine(const InputEvent &event);

} // namespace platform
