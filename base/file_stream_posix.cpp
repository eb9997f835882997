// File streams on POSIX systems (the host build of the portable core and tools).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/stream.h"

namespace leafmark {

struct TFileStream::TImpl {
  int fd = -1;
  std::string name;
};

TFileStream::TFileStream(const std::string& fileName, TMode mode) : impl_(std::make_unique<TImpl>()) {
  impl_->name = fileName;
  const int flags = mode == TMode::Read ? O_RDONLY : (O_WRONLY | O_CREAT | O_TRUNC);
  impl_->fd = ::open(fileName.c_str(), flags | O_CLOEXEC, 0644);
  if (impl_->fd < 0) {
    throw EStreamError("Cannot open file \"" + fileName + "\": " + std::strerror(errno));
  }
  struct stat st {};
  if (::fstat(impl_->fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(impl_->fd);
    throw EStreamError("Cannot open file \"" + fileName + "\": it is a directory");
  }
}

TFileStream::~TFileStream() {
  if (impl_->fd >= 0) ::close(impl_->fd);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  for (;;) {
    const ssize_t got = ::read(impl_->fd, buffer, static_cast<std::size_t>(count));
    if (got >= 0) return got;
    if (errno != EINTR) throw EStreamError("Read error in \"" + impl_->name + "\": " + std::strerror(errno));
  }
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  for (;;) {
    const ssize_t put = ::write(impl_->fd, buffer, static_cast<std::size_t>(count));
    if (put >= 0) return put;
    if (errno != EINTR) throw EStreamError("Write error in \"" + impl_->name + "\": " + std::strerror(errno));
  }
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::Beginning ? SEEK_SET
                     : origin == TSeekOrigin::Current ? SEEK_CUR
                                                      : SEEK_END;
  const off_t at = ::lseek(impl_->fd, static_cast<off_t>(offset), whence);
  if (at < 0) throw EStreamError("Seek error in \"" + impl_->name + "\"");
  return at;
}

void TFileStream::Flush() {
  if (::fsync(impl_->fd) != 0 && errno != EINVAL) {
    throw EStreamError("Write error in \"" + impl_->name + "\": " + std::strerror(errno));
  }
}

TFileIdentity TFileStream::Identity() const {
  struct stat st {};
  if (::fstat(impl_->fd, &st) != 0) {
    throw EStreamError("Cannot read the state of \"" + impl_->name + "\": " + std::strerror(errno));
  }
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
          static_cast<std::int64_t>(st.st_size),
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

}  // namespace leafmark
