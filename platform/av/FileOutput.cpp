#include "av/FileOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace av {

namespace {

class SystemFileOutput final : public FileOutput {
 public:
  explicit SystemFileOutput(int fd) : fd_(fd) {}
  ~SystemFileOutput() override { ::close(fd_); }
  SystemFileOutput(const SystemFileOutput&) = delete;
  SystemFileOutput& operator=(const SystemFileOutput&) = delete;

  int WriteAt(const void* data, size_t size, int64_t offset) override {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t written = ::pwrite(fd_, bytes, size, offset);
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) return -errno;
      if (written == 0) return -ENOSPC;  // no progress: the device takes nothing more
      bytes += written;
      size -= static_cast<size_t>(written);
      offset += written;
    }
    return 0;
  }

  int Reserve(int64_t offset, int64_t size) override {
    if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, offset, size) == 0) return 0;
    return errno == ENOSYS ? -EOPNOTSUPP : -errno;
  }

  int Truncate(int64_t length) override { return ::ftruncate(fd_, length) == 0 ? 0 : -errno; }

  int64_t Length() override {
    struct stat status {};
    return ::fstat(fd_, &status) == 0 ? status.st_size : -errno;
  }

 private:
  const int fd_;
};

}  // namespace

std::unique_ptr<FileOutput> OpenFileOutput(const std::string& path, int* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error != nullptr) *error = -errno;
    return nullptr;
  }
  if (error != nullptr) *error = 0;
  return std::make_unique<SystemFileOutput>(fd);
}

}  // namespace av
