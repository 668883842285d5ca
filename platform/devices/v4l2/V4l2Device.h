#pragma once
// One open V4L2 node: the descriptor through the V4L2 seam, closed when the object goes.
//
// Threads: one thread at a time, except that the streaming thread and the application thread may
// both make calls while the filter streams: the kernel serialises ioctls on one descriptor.

#include <memory>
#include <string>

#include "devices/v4l2/V4l2Api.h"

namespace devices {

class V4l2Device {
 public:
  // Opens path for capture (read and write, non-blocking). Null with *error (-errno) set when it
  // cannot.
  static std::unique_ptr<V4l2Device> Open(std::shared_ptr<V4l2Api> api, const std::string& path,
                                          int* error);
  ~V4l2Device();
  V4l2Device(const V4l2Device&) = delete;
  V4l2Device& operator=(const V4l2Device&) = delete;

  // ioctl: the result or -errno.
  int Ioctl(unsigned long request, void* argument) const;
  // For control calls, which fail now and then on real cameras (EIO, EPIPE): tried once more.
  int IoctlRetried(unsigned long request, void* argument) const;

  V4l2Api& Api() const { return *api_; }
  int Fd() const { return fd_; }
  const std::string& Path() const { return path_; }

 private:
  V4l2Device(std::shared_ptr<V4l2Api> api, std::string path, int fd);

  const std::shared_ptr<V4l2Api> api_;
  const std::string path_;
  const int fd_;
};

}  // namespace devices
