#include "devices/v4l2/V4l2Device.h"

#include <fcntl.h>

#include <cerrno>

namespace devices {

std::unique_ptr<V4l2Device> V4l2Device::Open(std::shared_ptr<V4l2Api> api, const std::string& path,
                                             int* error) {
  const int fd = api->Open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (error != nullptr) *error = fd < 0 ? fd : 0;
  if (fd < 0) return nullptr;
  return std::unique_ptr<V4l2Device>(new V4l2Device(std::move(api), path, fd));
}

V4l2Device::V4l2Device(std::shared_ptr<V4l2Api> api, std::string path, int fd)
    : api_(std::move(api)), path_(std::move(path)), fd_(fd) {}

V4l2Device::~V4l2Device() {
  (void)api_->Close(fd_);
}  // nothing to do about a failed close

int V4l2Device::Ioctl(unsigned long request, void* argument) const {
  return api_->Ioctl(fd_, request, argument);
}

int V4l2Device::IoctlRetried(unsigned long request, void* argument) const {
  const int result = Ioctl(request, argument);
  if (result != -EIO && result != -EPIPE) return result;
  return Ioctl(request, argument);
}

}  // namespace devices
