// The --trace log: a listener to the layer's announcements that writes a line
// for each as it happens.
#include "host/trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "common/utf.h"
#include "device/events.h"

namespace platform {
namespace {

class TraceWriter : public DeviceListener {
public:
  // Line by line, so that what was played is on disk as it happens, for a reader
  // that follows the file and after a crash.
  explicit TraceWriter(std::FILE *file) : file_(file) {
    std::setvbuf(file_, nullptr, _IOLBF, BUFSIZ);
    AddDeviceListener(this);
  }
  ~TraceWriter() override {
    RemoveDeviceListener(this);
    std::fclose(file_);
  }
  TraceWriter(const TraceWriter &) = delete;
  TraceWriter &operator=(const TraceWriter &) = delete;

  void SoundPlayed(const SoundEvent &e) override {
    Write(e.atMs, "sound " + (e.name.empty() ? std::string("-") : Utf8(e.name)) + " " +
                      SoundFlagsText(e.flags));
  }
  void TimerChanged(const TimerEvent &e) override {
    Write(e.atMs, e.set ? "timer set " + std::to_string(e.id) + " " + std::to_string(e.periodMs)
                        : "timer kill " + std::to_string(e.id));
  }

private:
  void Write(std::uint64_t ms, const std::string &text) {
    std::fprintf(file_, "%llu %s\n", static_cast<unsigned long long>(ms), text.c_str());
  }

  std::FILE *file_;
};

std::unique_ptr<TraceWriter> &Writer() {
  static std::unique_ptr<TraceWriter> writer;
  return writer;
}

} // namespace

bool OpenTrace(const std::string &path) {
  CloseTrace();
  // Without blocking: a FIFO nobody reads is refused rather than waited on.
  const int fd =
      open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  std::FILE *file = fd < 0 || fcntl(fd, F_SETFL, 0) != 0 ? nullptr : fdopen(fd, "w");
  if (file == nullptr) {
    if (fd >= 0) {
      close(fd);
    }
    return false;
  }
  Writer() = std::make_unique<TraceWriter>(file);
  return true;
}

void CloseTrace() { Writer().reset(); }

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

} // namespace platform
