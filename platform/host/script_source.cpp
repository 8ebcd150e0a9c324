// Opening a headless script: a regular file streamed from its descriptor, a pipe
// read whole, anything else refused with one line.
#include "host/script_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <sstream>

#include "common/posix_file.h"

namespace platform {
namespace {

// An input stream buffer over a descriptor it owns; it seeks, so that a checked
// script can be read again from its start.
class FdBuffer : public std::streambuf {
public:
  explicit FdBuffer(UniqueFd fd) : fd_(std::move(fd)) {}

protected:
  int_type underflow() override {
    ssize_t n = 0;
    do {
      n = read(fd_.Get(), buffer_.data(), buffer_.size());
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
      return traits_type::eof();
    }
    setg(buffer_.data(), buffer_.data(), buffer_.data() + n);
    return traits_type::to_int_type(buffer_[0]);
  }
  pos_type seekoff(off_type off, std::ios_base::seekdir way, std::ios_base::openmode) override {
    if (way == std::ios_base::cur) {
      off -= egptr() - gptr(); // what is buffered has not been taken yet
    }
    const int whence = way == std::ios_base::beg   ? SEEK_SET
                       : way == std::ios_base::cur ? SEEK_CUR
                                                   : SEEK_END;
    const off_t at = lseek(fd_.Get(), off, whence);
    setg(buffer_.data(), buffer_.data(), buffer_.data());
    return at < 0 ? pos_type(off_type(-1)) : pos_type(at);
  }
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
    return seekoff(off_type(pos), std::ios_base::beg, which);
  }

private:
  UniqueFd fd_;
  std::array<char, 65536> buffer_{};
};

class FdStream : public std::istream {
public:
  explicit FdStream(UniqueFd fd) : std::istream(nullptr), buffer_(std::move(fd)) {
    rdbuf(&buffer_);
  }

private:
  FdBuffer buffer_;
};

} // namespace

std::unique_ptr<std::istream> OpenScript(const std::string &path, std::string *error) {
  const bool standardInput = path == "-";
  const std::string name = standardInput ? "the standard input" : path;
  UniqueFd fd(standardInput ? fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                            : open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat st {};
  if (!fd.Valid() || fstat(fd.Get(), &st) != 0) {
    *error = "cannot read the script " + name + ": " + FileErrorText(errno);
    return nullptr;
  }
  if (S_ISREG(st.st_mode)) {
    return std::make_unique<FdStream>(std::move(fd));
  }
  if (!S_ISFIFO(st.st_mode) && !S_ISSOCK(st.st_mode) && !S_ISCHR(st.st_mode)) {
    *error = "cannot read the script " + name + ": " +
             (S_ISDIR(st.st_mode) ? FileErrorText(EISDIR) : "not a regular file or a pipe");
    return nullptr;
  }
  // A pipe is read as it comes: without a writer yet, a FIFO has simply ended.
  const int flags = fcntl(fd.Get(), F_GETFL);
  if (flags >= 0) {
    fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
  }
  std::string text;
  if (const int e = ReadAll(fd.Get(), kLongestPipedScript, &text)) {
    *error = e == EFBIG ? "the script from " + name + " is longer than " +
                              std::to_string(kLongestPipedScript) + " bytes"
                        : "cannot read the script " + name + ": " + FileErrorText(e);
    return nullptr;
  }
  if (text.empty()) {
    *error = "no script came through " + name;
    return nullptr;
  }
  return std::make_unique<std::istringstream>(std::move(text));
}

} // namespace platform
