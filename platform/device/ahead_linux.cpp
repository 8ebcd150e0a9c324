// Work ahead on Linux: a worker thread, started by the first job, and fresh memory
// mapped by the kernel in one call.
#include <pthread.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <new>
#include <thread>

#include "device/ahead.h"

namespace platform {
namespace {

class Worker {
public:
  static constexpr int kNiceness = 10;

  Worker() { pthread_atfork(BeforeFork, AfterForkInParent, AfterForkInChild); }

  ~Worker() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      jobs_.clear(); // only a head start is lost
    }
    wake_.notify_one();
    if (thread_.joinable()) {
      thread_.join();
    }
  }

  void Add(std::function<void()> job) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      jobs_.push_back(std::move(job));
      if (!thread_.joinable()) {
        thread_ = std::thread([this] { Run(); });
      }
    }
    wake_.notify_one();
  }

  void Finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !running_; });
  }

  // A library may fork while the worker runs (SDL's start can, to reach the
  // session's message bus). The child has only the forking thread, so no lock the
  // worker might hold, the allocator's above all, may be taken at that moment: the
  // worker finishes its job and waits until the fork is done.
  void Pause() {
    std::unique_lock<std::mutex> lock(mutex_);
    pausing_ = true;
    idle_.wait(lock, [this] { return !running_; });
    lock.release(); // held across the fork
  }
  void Resume() {
    pausing_ = false;
    mutex_.unlock();
    wake_.notify_one();
  }
  // The child has no worker: its jobs are dropped, and a job given later starts one.
  void ForgetInChild() {
    pausing_ = false;
    jobs_.clear();
    // Made afresh: they speak of the parent's worker thread, which the child lacks.
    new (&thread_) std::thread();
    new (&wake_) std::condition_variable();
    new (&idle_) std::condition_variable();
    mutex_.unlock();
  }

private:
  static void BeforeFork();
  static void AfterForkInParent();
  static void AfterForkInChild();

  void Run() {
    // Below the program's own thread: on a machine with no core to spare, work
    // ahead gives way, and the program does the work itself when it needs it.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kNiceness);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stopping_ || (!jobs_.empty() && !pausing_); });
      if (stopping_) {
        return;
      }
      {
        const std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        running_ = true;
        lock.unlock();
        job(); // and gone, with what it held, before the worker counts as idle
      }
      lock.lock();
      running_ = false;
      idle_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<std::function<void()>> jobs_;
  bool running_ = false;
  bool pausing_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

// Joined when the program's statics are destroyed, after the job it is running; a
// job holds whatever it works on, so nothing it uses has gone before then.
Worker &TheWorker() {
  static Worker worker;
  return worker;
}

void Worker::BeforeFork() { TheWorker().Pause(); }
void Worker::AfterForkInParent() { TheWorker().Resume(); }
void Worker::AfterForkInChild() { TheWorker().ForgetInChild(); }

} // namespace

void RunAhead(std::function<void()> job) { TheWorker().Add(std::move(job)); }

void FinishWorkAhead() { TheWorker().Finish(); }

void PrefaultForWriting(void *start, std::size_t bytes) {
  // A kernel older than the call refuses it, and the pages come one fault at a time.
  constexpr std::uintptr_t kPage = 4096;
  const auto first = (reinterpret_cast<std::uintptr_t>(start) + kPage - 1) & ~(kPage - 1);
  const auto last = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(kPage - 1);
  if (last > first + 4 * kPage) {
    madvise(reinterpret_cast<void *>(first), last - first, MADV_POPULATE_WRITE);
  }
}

} // namespace platform
