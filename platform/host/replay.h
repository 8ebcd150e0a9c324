// Playing a recording back: read from its file, on the device it was made on, its
// input handed to a front end's timeline at the device times its waits reach.
#pragma once

#include <cstdint>
#include <string>

#include "device/device.h"
#include "host/recording.h"
#include "host/script.h"
#include "host/timeline.h"

namespace platform {

// A recording named by the user, read whole: a regular file no larger than any
// recording, of this program's version. False with the reason in one line.
bool ReadRecordingFile(const std::string &path, const std::string &programVersion,
                       RecordingHeader *header, std::string *script, std::string *error);

// A replay runs on the recording's device, from its clock, on a virtual clock.
void UseRecordedDevice(const RecordingHeader &header, DeviceConfig *device);

// A recording's script as the user's input on a timeline, for a front end that
// plays it at its own pace. Commands that are not the user's (a screenshot) have no
// place in a window or a page and are passed over; a key's modifiers are pressed
// with it, as in the headless host.
class RecordedInput {
public:
  explicit RecordedInput(ScriptReader *script) : script_(script) {}

  // Adds the next input once the timeline has none waiting: a front end calls it
  // in each wait, so the script is read a little at a time.
  void FeedInto(Timeline *timeline);

private:
  ScriptReader *script_;   // not owned
  std::uint64_t atMs_ = 0; // the device time the script's waits have reached, from its start
};

} // namespace platform
