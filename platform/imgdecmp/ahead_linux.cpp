// Pictures decoded ahead on the layer's worker thread, and handed over by their bytes.
#include "imgdecmp/ahead.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "device/ahead.h"
#include "device/device.h"

namespace platform {
namespace {

enum class State { Waiting, Decoding, Done, Gone };

struct File {
  std::span<const std::uint8_t> bytes;
  State state = State::Waiting;
  PngImage image;
};

// One program's files; each job holds it, so it lives until the last job has run.
struct Batch {
  std::mutex mutex;
  std::condition_variable idle;
  std::vector<File> files;
  bool reading = false;                 // the worker is reading some file's bytes
  PngScratch scratch;                   // the worker's alone
  std::optional<std::size_t> lastAsked; // the file the program asked for last
};

// The file to decode next. A program asks for its pictures in runs of neighbours
// (one dpi's set, one screen's layout), so once it has asked for one, the nearest
// to it come next, the later one first on a tie. Before that, the largest first:
// they take longest, and a program usually starts with its backdrop.
std::optional<std::size_t> NextFile(const Batch &batch) {
  std::optional<std::size_t> best;
  const auto better = [&](std::size_t i, std::size_t than) {
    if (batch.lastAsked) {
      const auto distance = [&](std::size_t k) {
        const std::size_t last = *batch.lastAsked;
        return k > last ? 2 * (k - last) - 1 : 2 * (last - k);
      };
      return distance(i) < distance(than);
    }
    return batch.files[i].bytes.size() > batch.files[than].bytes.size();
  };
  for (std::size_t i = 0; i < batch.files.size(); ++i) {
    if (batch.files[i].state == State::Waiting && (!best || better(i, *best))) {
      best = i;
    }
  }
  return best;
}

// Touched only by the program's thread.
std::shared_ptr<Batch> &Current() {
  static std::shared_ptr<Batch> batch;
  return batch;
}

// Drops what nobody took; with `settle`, also waits until the worker has let go of
// the files' bytes, which may go once the device stops.
void Forget(bool settle) {
  const std::shared_ptr<Batch> batch = std::exchange(Current(), nullptr);
  if (!batch) {
    return;
  }
  std::unique_lock<std::mutex> lock(batch->mutex);
  for (File &file : batch->files) {
    file.state = State::Gone;
    file.image = PngImage{};
  }
  if (settle) {
    batch->idle.wait(lock, [&] { return !batch->reading; });
  }
}

const bool registered = [] {
  RegisterResetHook([] { Forget(true); });
  RegisterIdleHook(ForgetDecodedAhead);
  return true;
}();

void DecodeNext(Batch &batch) {
  std::unique_lock<std::mutex> lock(batch.mutex);
  const std::optional<std::size_t> next = NextFile(batch);
  if (!next) {
    return; // all taken by the program, or forgotten
  }
  File &file = batch.files[*next];
  file.state = State::Decoding;
  batch.reading = true;
  lock.unlock();
  PngImage image;
  std::string error;
  const bool ok = DecodePngBytes(file.bytes.data(), file.bytes.size(), PngLimits{}, &image, &error,
                                 &batch.scratch) == PngStatus::Ok;
  DropOpaqueAlpha(&image);
  lock.lock();
  batch.reading = false;
  if (file.state == State::Decoding && ok) { // neither taken nor forgotten meanwhile
    file.image = std::move(image);
    file.state = State::Done;
  } else {
    file.state = State::Gone;
  }
  lock.unlock();
  batch.idle.notify_all();
}

} // namespace

void DecodeAhead(std::vector<std::span<const std::uint8_t>> files) {
  Forget(true);
  if (files.empty()) {
    return;
  }
  auto batch = std::make_shared<Batch>();
  for (const auto &bytes : files) {
    batch->files.push_back(File{bytes, State::Waiting, {}});
  }
  Current() = batch;
  for (std::size_t i = 0; i < batch->files.size(); ++i) {
    RunAhead([batch] { DecodeNext(*batch); });
  }
}

std::optional<PngImage> TakeDecodedAhead(std::span<const std::uint8_t> bytes) {
  const std::shared_ptr<Batch> batch = Current();
  if (!batch) {
    return std::nullopt;
  }
  const std::lock_guard<std::mutex> lock(batch->mutex);
  const auto file = std::find_if(batch->files.begin(), batch->files.end(), [&](const File &f) {
    return f.state != State::Gone && f.bytes.size() == bytes.size() &&
           std::memcmp(f.bytes.data(), bytes.data(), bytes.size()) == 0;
  });
  if (file == batch->files.end()) {
    return std::nullopt;
  }
  batch->lastAsked = static_cast<std::size_t>(file - batch->files.begin());
  // Never a wait for the worker: on a busy machine it may not be running at all,
  // and the caller decoding the file itself is then sooner.
  const bool done = file->state == State::Done;
  file->state = State::Gone;
  if (!done) {
    return std::nullopt;
  }
  return std::move(file->image);
}

void ForgetDecodedAhead() { Forget(false); }

} // namespace platform
