// Reading a recording from its file, its device, and its input on a timeline.
#include "host/replay.h"

#include <cerrno>

#include "common/posix_file.h"

namespace platform {

bool ReadRecordingFile(const std::string &path, const std::string &programVersion,
                       RecordingHeader *header, std::string *script, std::string *error) {
  int failure = 0;
  const UniqueFd fd = OpenRegularFile(path, &failure);
  std::string text;
  if (fd.Valid()) {
    failure = ReadAll(fd.Get(), kLargestRecording, &text);
  }
  if (failure != 0) {
    *error = failure == EFBIG ? "larger than any recording" : FileErrorText(failure);
    return false;
  }
  return ReadRecording(text, programVersion, header, script, error);
}

void UseRecordedDevice(const RecordingHeader &header, DeviceConfig *device) {
  device->width = header.width;
  device->height = header.height;
  device->dpi = header.dpi;
  device->os = header.os;
  device->virtualClock = true;
  device->clockStart.wHour = header.clock.wHour;
  device->clockStart.wMinute = header.clock.wMinute;
  device->clockStart.wSecond = header.clock.wSecond;
  device->clockStart.wMilliseconds = 0;
  device->keysAsTaken = true;
}

void RecordedInput::FeedInto(Timeline *timeline) {
  ScriptCommand command;
  while (!timeline->HasPending() && script_->Next(&command)) {
    if (command.verb == ScriptVerb::Wait) {
      atMs_ += command.ms;
    }
    for (const InputEvent &event : InputEventsOf(command)) {
      timeline->Add(event, atMs_);
    }
  }
}

} // namespace platform
