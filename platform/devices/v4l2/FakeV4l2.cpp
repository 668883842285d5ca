#include "devices/v4l2/FakeV4l2.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <map>
#include <set>

#include "com/Diagnostics.h"
#include "devices/v4l2/FakeV4l2Node.h"
#include "devices/virtual/CompressedFrameEncoder.h"
#include "ui/MainWindowHook.h"

namespace devices {
namespace fakev4l2 {

Node::Node() = default;
Node::~Node() = default;

}  // namespace fakev4l2

namespace {

using fakev4l2::Clock;
using fakev4l2::Node;

// Fake descriptors start far above any the process gets from the kernel, so that a real
// descriptor passed to Poll next to them is never taken for one of them.
constexpr int kFirstDescriptor = 1'000'000;

struct Descriptor {
  std::shared_ptr<Node> node;
  int flags = 0;
};

void Notify(WPARAM event) {
  // Without an application nobody listens; the change is still real.
  if (!ui::BroadcastDeviceChange(event)) diag::Debug("v4l2", "no application to notify");
}

// "/dev/video10" → 10, for listing nodes in the order of their device numbers.
long DeviceNumber(const std::string& path) {
  std::size_t digits = path.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(path[digits - 1])) != 0)
    --digits;
  return digits == path.size() ? -1 : std::stol(path.substr(digits));
}

void CopyName(const std::string& text, std::uint8_t* out, std::size_t size) {
  std::memset(out, 0, size);
  std::memcpy(out, text.data(), std::min(text.size(), size - 1));
}

}  // namespace

struct FakeV4l2::State {
  mutable std::mutex mutex;
  // Woken on every change a blocking DQBUF may wait for.
  std::condition_variable changed;
  std::map<std::string, std::shared_ptr<Node>> nodes;  // plugged, by path
  std::map<int, Descriptor> descriptors;
  int nextDescriptor = kFirstDescriptor;
  // Every mapping holds its buffer's memory until it is unmapped.
  std::multimap<void*, std::shared_ptr<fakev4l2::Memory>> mappings;
  // The eventfds of the Poll calls waiting now: a change wakes them all.
  std::set<int> pollWakers;

  // Wakes Poll and DQBUF waiters; with the mutex held.
  void Wake() {
    changed.notify_all();
    for (int waker : pollWakers) {
      const std::uint64_t one = 1;
      (void)!::write(waker, &one, sizeof one);  // a full counter already wakes the poll
    }
  }

  // The node a test asks about: the plugged one, else one an open descriptor still holds.
  const Node* Find(const std::string& path) const {
    if (auto it = nodes.find(path); it != nodes.end()) return it->second.get();
    for (const auto& [fd, descriptor] : descriptors) {
      if (descriptor.node->path == path) return descriptor.node.get();
    }
    return nullptr;
  }
};

FakeV4l2::FakeV4l2() : state_(std::make_unique<State>()) {}

FakeV4l2::~FakeV4l2() = default;

void FakeV4l2::Plug(const std::string& path, FakeV4l2Device device, bool quiet) {
  {
    std::lock_guard lock(state_->mutex);
    if (auto old = state_->nodes.find(path); old != state_->nodes.end()) {
      old->second->unplugged = true;
      state_->nodes.erase(old);
    }
    auto node = std::make_shared<Node>();
    node->path = path;
    node->device = std::move(device);
    node->busyAtSetFormatLeft = node->device.faults.busyAtSetFormat;
    fakev4l2::ResetFormat(*node);
    state_->nodes[path] = std::move(node);
    state_->Wake();
  }
  diag::Debug("v4l2", "fake node plugged at ", path);
  if (!quiet) Notify(DBT_DEVICEARRIVAL);
}

void FakeV4l2::Unplug(const std::string& path, bool quiet) {
  {
    std::lock_guard lock(state_->mutex);
    auto it = state_->nodes.find(path);
    if (it == state_->nodes.end()) return;
    it->second->unplugged = true;
    state_->nodes.erase(it);
    state_->Wake();
  }
  if (!quiet) Notify(DBT_DEVICEREMOVECOMPLETE);
}

void FakeV4l2::UnplugAll() {
  bool any = false;
  {
    std::lock_guard lock(state_->mutex);
    for (auto& [path, node] : state_->nodes)
      node->unplugged = true;
    any = !state_->nodes.empty();
    state_->nodes.clear();
    state_->Wake();
  }
  if (any) Notify(DBT_DEVICEREMOVECOMPLETE);
}

int FakeV4l2::OpenDescriptors(const std::string& path) const {
  std::lock_guard lock(state_->mutex);
  return static_cast<int>(
      std::count_if(state_->descriptors.begin(), state_->descriptors.end(),
                    [&](const auto& entry) { return entry.second.node->path == path; }));
}

bool FakeV4l2::IsStreaming(const std::string& path) const {
  std::lock_guard lock(state_->mutex);
  const Node* node = state_->Find(path);
  return node != nullptr && node->streaming;
}

std::uint32_t FakeV4l2::FramesDequeued(const std::string& path) const {
  std::lock_guard lock(state_->mutex);
  const Node* node = state_->Find(path);
  return node != nullptr ? node->framesDequeued : 0;
}

std::int32_t FakeV4l2::ControlValue(const std::string& path, std::uint32_t id) const {
  std::lock_guard lock(state_->mutex);
  const Node* node = state_->Find(path);
  if (node == nullptr) return 0;
  for (const FakeV4l2Control& control : node->device.controls) {
    if (control.id == id) return control.value;
  }
  return 0;
}

std::optional<v4l2_pix_format> FakeV4l2::CurrentFormat(const std::string& path) const {
  std::lock_guard lock(state_->mutex);
  const Node* node = state_->Find(path);
  if (node == nullptr) return std::nullopt;
  return node->format;
}

FakeV4l2Interval FakeV4l2::CurrentInterval(const std::string& path) const {
  std::lock_guard lock(state_->mutex);
  const Node* node = state_->Find(path);
  return node != nullptr ? node->interval : FakeV4l2Interval{};
}

std::uint32_t FakeV4l2::CurrentInput(const std::string& path) const {
  std::lock_guard lock(state_->mutex);
  const Node* node = state_->Find(path);
  return node != nullptr ? node->device.input : 0;
}

v4l2_std_id FakeV4l2::CurrentStandard(const std::string& path) const {
  std::lock_guard lock(state_->mutex);
  const Node* node = state_->Find(path);
  return node != nullptr ? node->device.standard : 0;
}

std::uint32_t FakeV4l2::CurrentFrequency(const std::string& path) const {
  std::lock_guard lock(state_->mutex);
  const Node* node = state_->Find(path);
  if (node == nullptr || node->device.tuners.empty()) return 0;
  return node->device.tuners.front().frequency;
}

int FakeV4l2::MappedBuffers() const {
  std::lock_guard lock(state_->mutex);
  return static_cast<int>(state_->mappings.size());
}

int FakeV4l2::Open(const std::string& path, int flags) {
  std::lock_guard lock(state_->mutex);
  auto it = state_->nodes.find(path);
  if (it == state_->nodes.end()) return -ENOENT;
  if (it->second->Gone()) return -ENODEV;
  const int fd = state_->nextDescriptor++;
  state_->descriptors[fd] = Descriptor{it->second, flags};
  return fd;
}

int FakeV4l2::Close(int fd) {
  std::lock_guard lock(state_->mutex);
  auto it = state_->descriptors.find(fd);
  if (it == state_->descriptors.end()) return -EBADF;
  Node& node = *it->second.node;
  if (node.owner == fd) {
    fakev4l2::StopStreaming(node);
    fakev4l2::FreeBuffers(node);
  }
  state_->descriptors.erase(it);
  state_->Wake();
  return 0;
}

int FakeV4l2::Ioctl(int fd, unsigned long request, void* argument) {
  std::unique_lock lock(state_->mutex);
  auto it = state_->descriptors.find(fd);
  if (it == state_->descriptors.end()) return -EBADF;
  if (argument == nullptr) return -EFAULT;
  const std::shared_ptr<Node> held = it->second.node;  // the descriptor may close meanwhile
  const bool blocking = (it->second.flags & O_NONBLOCK) == 0;
  Node& node = *held;
  if (node.Gone()) return -ENODEV;

  if (request == VIDIOC_QUERYCAP) {
    auto& caps = *static_cast<v4l2_capability*>(argument);
    std::memset(&caps, 0, sizeof caps);
    CopyName(node.device.driver, caps.driver, sizeof caps.driver);
    CopyName(node.device.card, caps.card, sizeof caps.card);
    CopyName(node.device.busInfo, caps.bus_info, sizeof caps.bus_info);
    caps.version = (6U << 16) | (1U << 8);
    caps.device_caps = node.device.deviceCaps;
    caps.capabilities = node.device.deviceCaps | V4L2_CAP_DEVICE_CAPS;
    return 0;
  }
  for (;;) {
    int result = fakev4l2::FormatIoctl(node, fd, request, argument);
    if (result == -ENOTTY) result = fakev4l2::ControlIoctl(node, request, argument);
    if (result == -ENOTTY) result = fakev4l2::AnalogIoctl(node, request, argument);
    if (result == -ENOTTY) result = fakev4l2::StreamingIoctl(node, fd, request, argument);
    if (request == VIDIOC_QBUF || request == VIDIOC_STREAMON) state_->Wake();
    // A blocking DQBUF waits for the next frame, an unplug or the end of streaming.
    const bool wait = blocking && request == VIDIOC_DQBUF && result == -EAGAIN &&
                      node.filled.empty() && node.streaming;
    if (!wait) return result;
    if (const auto due = fakev4l2::NextFrameDue(node)) {
      state_->changed.wait_until(lock, *due);
    } else {
      state_->changed.wait(lock);
    }
    if (state_->descriptors.count(fd) == 0) return -EBADF;
    if (node.Gone()) return -ENODEV;
  }
}

int FakeV4l2::Mmap(int fd, std::size_t length, long offset, void** address) {
  std::lock_guard lock(state_->mutex);
  auto it = state_->descriptors.find(fd);
  if (it == state_->descriptors.end()) return -EBADF;
  if (address == nullptr) return -EFAULT;
  const Node& node = *it->second.node;
  if (node.Gone()) return -ENODEV;
  for (const fakev4l2::Buffer& buffer : node.buffers) {
    if (static_cast<long>(buffer.offset) != offset) continue;
    if (length == 0 || length > buffer.memory->size()) return -EINVAL;
    *address = buffer.memory->data();
    state_->mappings.emplace(*address, buffer.memory);
    return 0;
  }
  return -EINVAL;
}

int FakeV4l2::Munmap(void* address, std::size_t length) {
  std::lock_guard lock(state_->mutex);
  auto it = state_->mappings.find(address);
  if (it == state_->mappings.end() || length == 0 || length > it->second->size()) return -EINVAL;
  state_->mappings.erase(it);
  return 0;
}

int FakeV4l2::Poll(pollfd* fds, nfds_t count, int timeoutMs) {
  const auto start = Clock::now();
  const std::optional<Clock::time_point> deadline =
      timeoutMs < 0 ? std::nullopt : std::optional(start + std::chrono::milliseconds(timeoutMs));
  // Wakes this call when a node changes (unplug, QBUF, STREAMON) in another thread.
  const int waker = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (waker < 0) return -errno;
  std::vector<pollfd> real;
  std::vector<nfds_t> realIndex;
  for (;;) {
    int ready = 0;
    std::optional<Clock::time_point> wakeAt = deadline;
    real.clear();
    realIndex.clear();
    {
      std::lock_guard lock(state_->mutex);
      const auto now = Clock::now();
      for (nfds_t i = 0; i < count; ++i) {
        pollfd& entry = fds[i];
        entry.revents = 0;
        if (entry.fd < kFirstDescriptor) {
          if (entry.fd >= 0) {
            real.push_back(entry);
            realIndex.push_back(i);
          }
          continue;
        }
        auto it = state_->descriptors.find(entry.fd);
        if (it == state_->descriptors.end()) {
          entry.revents = POLLNVAL;
        } else {
          Node& node = *it->second.node;
          fakev4l2::ProduceFrames(node, now);
          const short events = fakev4l2::PollEvents(node, entry.fd);
          entry.revents = static_cast<short>(events & (entry.events | POLLERR | POLLHUP));
          if (const auto due = fakev4l2::NextFrameDue(node); due && (!wakeAt || *due < *wakeAt))
            wakeAt = due;
        }
        if (entry.revents != 0) ++ready;
      }
      if (ready == 0) state_->pollWakers.insert(waker);
    }
    int waitMs = 0;
    if (ready == 0 && wakeAt) {
      const auto left = *wakeAt - Clock::now();
      // Rounded up, so that the frame is due when the wait ends.
      waitMs = static_cast<int>(
          std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(left).count()));
    } else if (ready == 0) {
      waitMs = -1;
    }
    real.push_back(pollfd{waker, POLLIN, 0});
    const int result = ::poll(real.data(), real.size(), waitMs);
    const int error = errno;
    {
      std::lock_guard lock(state_->mutex);
      state_->pollWakers.erase(waker);
    }
    if (result < 0 && error != EINTR) {
      ::close(waker);
      return -error;
    }
    if (result > 0) {
      for (std::size_t i = 0; i + 1 < real.size(); ++i) {
        fds[realIndex[i]].revents = real[i].revents;
        if (real[i].revents != 0) ++ready;
      }
    }
    if (ready > 0 || (deadline && Clock::now() >= *deadline)) {
      ::close(waker);
      return ready;
    }
    std::uint64_t drained = 0;
    (void)!::read(waker, &drained, sizeof drained);  // empty is fine: it was a timeout
  }
}

std::vector<V4l2NodeInfo> FakeV4l2::ListNodes() {
  std::lock_guard lock(state_->mutex);
  std::vector<V4l2NodeInfo> nodes;
  for (const auto& [path, node] : state_->nodes) {
    V4l2NodeInfo info;
    info.devnode = path;
    info.sysname = path.substr(path.find_last_of('/') + 1);
    info.properties = node->device.properties;
    // What udev's v4l_id says of the node, unless the test said otherwise.
    const bool capture = (node->device.deviceCaps & V4L2_CAP_VIDEO_CAPTURE) != 0;
    info.properties.emplace("ID_V4L_CAPABILITIES", capture ? ":capture:" : ":");
    nodes.push_back(std::move(info));
  }
  std::stable_sort(nodes.begin(), nodes.end(), [](const auto& a, const auto& b) {
    return DeviceNumber(a.devnode) < DeviceNumber(b.devnode);
  });
  return nodes;
}

}  // namespace devices
