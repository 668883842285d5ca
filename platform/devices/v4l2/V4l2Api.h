#pragma once
// The system calls the V4L2 back-end makes, behind a narrow interface so that it runs against an
// in-memory device in tests (FakeV4l2.h) and against the kernel otherwise. Every call returns 0
// (or a count, or a descriptor) on success and a negative errno on failure; the system
// implementation retries EINTR itself.
//
// Device nodes are listed through the same seam (V4l2NodeInfo): udev's view of each node of the
// video4linux subsystem, or what sysfs tells where there is no udev database.
//
// Threads: any thread may call any member; one descriptor is used by one thread at a time, except
// that Poll may wait on it while another thread closes a wake descriptor.

#include <poll.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace devices {

// One node of the video4linux subsystem as udev (or sysfs) describes it.
struct V4l2NodeInfo {
  std::string devnode;  // "/dev/video0"
  std::string sysname;  // "video0"
  // udev properties of the node: ID_BUS, ID_VENDOR_ID, ID_MODEL_ID, ID_USB_INTERFACE_NUM,
  // ID_SERIAL_SHORT, ID_PATH, ID_V4L_CAPABILITIES, ...
  std::map<std::string, std::string> properties;
};

class V4l2Api {
 public:
  virtual ~V4l2Api() = default;

  // open(2) with the flags given (O_RDWR | O_NONBLOCK | O_CLOEXEC for capture).
  virtual int Open(const std::string& path, int flags) = 0;
  virtual int Close(int fd) = 0;
  // ioctl(2): the request's result, or -errno.
  virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
  // mmap(2) of a driver buffer for reading and writing, shared; 0 with *address set, or -errno.
  virtual int Mmap(int fd, std::size_t length, long offset, void** address) = 0;
  virtual int Munmap(void* address, std::size_t length) = 0;
  // poll(2) over device descriptors and ordinary ones (an eventfd that wakes a streaming thread):
  // the number of ready descriptors, 0 on timeout, or -errno.
  virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;

  // The video4linux nodes present now, in the order of their device numbers.
  virtual std::vector<V4l2NodeInfo> ListNodes() = 0;
};

// The process's V4L2: the kernel's unless replaced (or RUDOZAV_FAKE_V4L2 asks for in-memory
// nodes, FakeV4l2Environment.h). Replacing with null restores that.
std::shared_ptr<V4l2Api> DefaultV4l2Api();
void SetDefaultV4l2Api(std::shared_ptr<V4l2Api> api);
// The kernel back-end itself (udev for ListNodes, sysfs without a udev database).
std::shared_ptr<V4l2Api> SystemV4l2Api();

}  // namespace devices
