#include "devices/v4l2/V4l2Api.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <utility>

#include "devices/v4l2/FakeV4l2Environment.h"
#include "devices/v4l2/V4l2NodeList.h"

namespace devices {
namespace {

// Repeats a system call interrupted by a signal; the result or -errno.
template <class Call>
int Retry(Call call) {
  for (;;) {
    const int result = call();
    if (result >= 0) return result;
    if (errno != EINTR) return -errno;
  }
}

class SystemV4l2 final : public V4l2Api {
 public:
  int Open(const std::string& path, int flags) override {
    return Retry([&] { return ::open(path.c_str(), flags); });
  }
  // close(2) is not repeated on EINTR: Linux has released the descriptor already.
  int Close(int fd) override { return ::close(fd) == 0 || errno == EINTR ? 0 : -errno; }
  int Ioctl(int fd, unsigned long request, void* argument) override {
    return Retry([&] { return ::ioctl(fd, request, argument); });
  }
  int Mmap(int fd, std::size_t length, long offset, void** address) override {
    void* mapped = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
    if (mapped == MAP_FAILED) return -errno;
    *address = mapped;
    return 0;
  }
  int Munmap(void* address, std::size_t length) override {
    return ::munmap(address, length) == 0 ? 0 : -errno;
  }
  // An interrupted poll is repeated with its whole timeout: callers wait in loops of their own.
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
    return Retry([&] { return ::poll(fds, count, timeoutMs); });
  }
  std::vector<V4l2NodeInfo> ListNodes() override { return ListVideoNodes(); }
};

std::mutex g_mutex;
std::shared_ptr<V4l2Api> g_default;  // guarded by g_mutex; null means the system's

}  // namespace

std::shared_ptr<V4l2Api> SystemV4l2Api() {
  static const auto system = std::make_shared<SystemV4l2>();
  return system;
}

std::shared_ptr<V4l2Api> DefaultV4l2Api() {
  std::lock_guard lock(g_mutex);
  if (g_default) return g_default;
  const auto fromEnvironment = FakeV4l2FromEnvironment();
  return fromEnvironment ? fromEnvironment : SystemV4l2Api();
}

void SetDefaultV4l2Api(std::shared_ptr<V4l2Api> api) {
  std::lock_guard lock(g_mutex);
  g_default = std::move(api);
}

}  // namespace devices
