#include "devices/alsa/FakeAlsa.h"

#include <algorithm>
#include <cerrno>

namespace {

unsigned BytesPerSample(PcmSampleFormat format) {
  switch (format) {
    case PcmSampleFormat::kU8:
      return 1;
    case PcmSampleFormat::kS16LE:
      return 2;
    case PcmSampleFormat::kS24LE3:
      return 3;
    case PcmSampleFormat::kS32LE:
    case PcmSampleFormat::kFloatLE:
      return 4;
  }
  return 0;
}

}  // namespace

// A device of the fake: writes go into its record (index into the fake's list).
class FakePcm final : public AlsaPcm {
 public:
  FakePcm(std::shared_ptr<FakeAlsa> owner, size_t index)
      : owner_(std::move(owner)), index_(index) {}
  ~FakePcm() override {
    std::lock_guard lock(owner_->mutex_);
    Record().closed = true;
  }
  FakePcm(const FakePcm&) = delete;
  FakePcm& operator=(const FakePcm&) = delete;

  int SetParams(PcmSampleFormat format, unsigned channels, unsigned rate, unsigned) override {
    std::lock_guard lock(owner_->mutex_);
    if (owner_->paramsError_ != 0) return owner_->paramsError_;
    FakeAlsa::DeviceRecord& record = Record();
    record.paramsSet = true;
    record.format = format;
    record.channels = channels;
    record.rate = rate;
    return 0;
  }

  long WriteInterleaved(const void* data, unsigned long frames) override {
    std::lock_guard lock(owner_->mutex_);
    FakeAlsa::DeviceRecord& record = Record();
    ++record.writeCalls;
    if (!record.paramsSet) return -EBADFD;
    if (owner_->failingWrites_ > 0) {
      --owner_->failingWrites_;
      return owner_->writeError_;
    }
    if (owner_->writeLimit_ != 0) frames = std::min(frames, owner_->writeLimit_);
    const size_t bytes = frames * BytesPerSample(record.format) * record.channels;
    const auto* begin = static_cast<const BYTE*>(data);
    record.written.insert(record.written.end(), begin, begin + bytes);
    return static_cast<long>(frames);
  }

  int Recover(int error) override {
    std::lock_guard lock(owner_->mutex_);
    ++Record().recoveries;
    return (error == -EPIPE || error == -ESTRPIPE || error == -EINTR) ? 0 : error;
  }

  int Drop() override {
    std::lock_guard lock(owner_->mutex_);
    ++Record().drops;
    return 0;
  }

  int Prepare() override { return 0; }

  int Drain() override {
    std::lock_guard lock(owner_->mutex_);
    ++Record().drains;
    return 0;
  }

 private:
  FakeAlsa::DeviceRecord& Record() { return owner_->devices_[index_]; }

  std::shared_ptr<FakeAlsa> owner_;
  size_t index_;
};

void FakeAlsa::FailOpen(int error) {
  std::lock_guard lock(mutex_);
  openError_ = error;
}

void FakeAlsa::FailParams(int error) {
  std::lock_guard lock(mutex_);
  paramsError_ = error;
}

void FakeAlsa::FailWrites(int count, int error) {
  std::lock_guard lock(mutex_);
  failingWrites_ = count;
  writeError_ = error;
}

void FakeAlsa::LimitWrite(unsigned long frames) {
  std::lock_guard lock(mutex_);
  writeLimit_ = frames;
}

std::unique_ptr<AlsaPcm> FakeAlsa::OpenPlayback(const std::string& device, int* error) {
  std::lock_guard lock(mutex_);
  ++openAttempts_;
  if (error != nullptr) *error = openError_;
  if (openError_ != 0) return nullptr;
  devices_.push_back(DeviceRecord{.name = device});
  return std::make_unique<FakePcm>(shared_from_this(), devices_.size() - 1);
}

int FakeAlsa::OpenAttempts() const {
  std::lock_guard lock(mutex_);
  return openAttempts_;
}

std::vector<FakeAlsa::DeviceRecord> FakeAlsa::Devices() const {
  std::lock_guard lock(mutex_);
  return devices_;
}

size_t FakeAlsa::BytesWritten() const {
  std::lock_guard lock(mutex_);
  size_t total = 0;
  for (const DeviceRecord& device : devices_)
    total += device.written.size();
  return total;
}
