#include "devices/alsa/FakeAlsa.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "clock/Clock.h"

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

using Clock = std::chrono::steady_clock;

template <typename T>
bool Contains(const std::vector<T>& values, const T& value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

// One sample of value (-1..1) in the format, little-endian.
void WriteSample(PcmSampleFormat format, double value, BYTE* out) {
  switch (format) {
    case PcmSampleFormat::kU8:
      out[0] = static_cast<BYTE>(std::lround(128 + value * 127));
      return;
    case PcmSampleFormat::kS16LE: {
      const auto sample = static_cast<std::int16_t>(std::lround(value * 32767));
      std::memcpy(out, &sample, sizeof sample);
      return;
    }
    case PcmSampleFormat::kS24LE3: {
      const auto sample = static_cast<std::int32_t>(std::lround(value * 8388607));
      for (int i = 0; i < 3; ++i)
        out[i] = static_cast<BYTE>((sample >> (8 * i)) & 0xff);
      return;
    }
    case PcmSampleFormat::kS32LE: {
      const auto sample = static_cast<std::int32_t>(std::lround(value * 2147483647.0));
      std::memcpy(out, &sample, sizeof sample);
      return;
    }
    case PcmSampleFormat::kFloatLE: {
      const auto sample = static_cast<float>(value);
      std::memcpy(out, &sample, sizeof sample);
      return;
    }
  }
}

}  // namespace

// A capture device of the fake opened once: the stream's state and position; the device's
// configuration, counters and presence are shared with the fake.
class FakeCapture final : public AlsaCapture {
 public:
  FakeCapture(std::shared_ptr<FakeAlsa> owner, std::shared_ptr<FakeAlsa::CaptureDevice> device,
              bool plug)
      : owner_(std::move(owner)), device_(std::move(device)), plug_(plug) {}
  ~FakeCapture() override {
    std::lock_guard lock(owner_->mutex_);
    --device_->counters.openNow;
  }
  FakeCapture(const FakeCapture&) = delete;
  FakeCapture& operator=(const FakeCapture&) = delete;

  bool Accepts(PcmSampleFormat format, unsigned channels, unsigned rate) override {
    std::lock_guard lock(owner_->mutex_);
    return !device_->gone && AcceptsLocked(format, channels, rate);
  }

  int SetParams(PcmSampleFormat format, unsigned channels, unsigned rate, unsigned periodFrames,
                unsigned periods) override {
    std::lock_guard lock(owner_->mutex_);
    if (device_->gone) return -ENODEV;
    if (state_ == State::kRunning) return -EBADFD;
    if (!AcceptsLocked(format, channels, rate)) return -EINVAL;
    format_ = format;
    channels_ = channels;
    rate_ = rate;
    period_ = periodFrames != 0 ? periodFrames : std::max(1u, rate / 50);
    buffer_ = static_cast<std::uint64_t>(period_) * std::max(2u, periods);
    state_ = State::kPrepared;
    return 0;
  }

  int Start() override {
    std::lock_guard lock(owner_->mutex_);
    ++device_->counters.starts;
    if (device_->gone) return -ENODEV;
    if (state_ != State::kPrepared) return -EBADFD;
    state_ = State::kRunning;
    start_ = Clock::now();
    consumed_ = 0;
    return 0;
  }

  int Wait(int timeoutMs) override {
    std::unique_lock lock(owner_->mutex_);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (const int error = StreamError()) return error;
      const Clock::time_point now = Clock::now();
      Clock::time_point wake = deadline;
      if (state_ == State::kRunning) {
        if (!device_->config.paced || Available(now) >= period_) return 1;
        wake = std::min(deadline, TimeOfFrame(consumed_ + period_));
      }
      if (now >= deadline) return 0;
      owner_->changed_.wait_until(lock, wake);
    }
  }

  long Read(void* data, unsigned long frames) override {
    std::lock_guard lock(owner_->mutex_);
    FakeAlsa::CaptureDevice& device = *device_;
    ++device.counters.reads;
    if (const int error = StreamError()) return error;
    if (state_ != State::kRunning) return -EBADFD;
    const FakeCaptureConfig& config = device.config;
    if (successfulReads_ == config.goneAfterReads) {
      owner_->RemoveCaptureDeviceLocked(device.info.pcm);
      return -ENODEV;
    }
    if (successfulReads_ == config.overrunAfterReads && !overrunDone_) {
      overrunDone_ = true;
      state_ = State::kOverrun;
      return -EPIPE;
    }
    if (successfulReads_ == config.suspendAfterReads && !suspendDone_) {
      suspendDone_ = true;
      state_ = State::kSuspended;
      return -ESTRPIPE;
    }
    const std::uint64_t available = config.paced ? Available(Clock::now()) : period_;
    const auto count = static_cast<unsigned long>(std::min<std::uint64_t>(frames, available));
    if (count == 0) return -EAGAIN;
    Fill(static_cast<BYTE*>(data), count);
    consumed_ += count;
    position_ += count;
    ++successfulReads_;
    device.counters.framesRead += static_cast<int>(count);
    return static_cast<long>(count);
  }

  // The time of the status read now, with the frames available then: the oldest of them began
  // available / rate before it.
  int Timestamp(std::int64_t* monotonicNs, long* available) override {
    std::lock_guard lock(owner_->mutex_);
    if (device_->gone) return -ENODEV;
    if (device_->config.noTimestamps) return -EINVAL;
    if (state_ != State::kRunning) return -EBADFD;
    const Clock::time_point now = Clock::now();
    if (monotonicNs != nullptr) {
      *monotonicNs =
          std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count();
    }
    if (available != nullptr) {
      *available = static_cast<long>(device_->config.paced ? Available(now) : period_);
    }
    return 0;
  }

  int Recover(int error) override {
    std::lock_guard lock(owner_->mutex_);
    ++device_->counters.recoveries;
    if (device_->gone) return -ENODEV;
    if (error == -EINTR) return 0;
    if (error != -EPIPE && error != -ESTRPIPE) return error;
    if (state_ == State::kOpen) return -EBADFD;
    state_ = State::kPrepared;
    return 0;
  }

  int Drop() override {
    std::lock_guard lock(owner_->mutex_);
    if (device_->gone) return -ENODEV;
    if (state_ == State::kOpen) return -EBADFD;
    state_ = State::kPrepared;
    return 0;
  }

 private:
  enum class State { kOpen, kPrepared, kRunning, kOverrun, kSuspended };

  bool AcceptsLocked(PcmSampleFormat format, unsigned channels, unsigned rate) const {
    const FakeCaptureConfig& config = device_->config;
    return plug_ || (Contains(config.formats, format) && Contains(config.channels, channels) &&
                     Contains(config.rates, rate));
  }

  // The error every stream call answers in the state the stream is in, or 0.
  int StreamError() const {
    if (device_->gone) return -ENODEV;
    if (state_ == State::kOverrun) return -EPIPE;
    if (state_ == State::kSuspended) return -ESTRPIPE;
    return 0;
  }

  Clock::time_point TimeOfFrame(std::uint64_t frame) const {
    return start_ + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(static_cast<double>(frame) / rate_));
  }

  // Paced: the frames captured by now and not yet read; a reader a buffer behind loses the
  // oldest, as the hardware's ring overwrites them.
  std::uint64_t Available(Clock::time_point now) {
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const auto produced = static_cast<std::uint64_t>(std::max(0.0, seconds) * rate_);
    if (produced <= consumed_) return 0;
    const std::uint64_t backlog = produced - consumed_;
    if (backlog <= buffer_) return backlog;
    consumed_ += backlog - buffer_;
    position_ += backlog - buffer_;
    return buffer_;
  }

  void Fill(BYTE* out, unsigned long frames) const {
    const FakeCaptureConfig& config = device_->config;
    const unsigned sampleBytes = BytesPerSample(format_);
    const std::size_t frameBytes = static_cast<std::size_t>(sampleBytes) * channels_;
    if (!config.samples.empty()) {
      const std::size_t sourceFrames = config.samples.size() / frameBytes;
      for (unsigned long i = 0; i < frames; ++i) {
        BYTE* frame = out + i * frameBytes;
        if (sourceFrames == 0) {
          std::memset(frame, 0, frameBytes);
        } else {
          std::memcpy(frame, &config.samples[((position_ + i) % sourceFrames) * frameBytes],
                      frameBytes);
        }
      }
      return;
    }
    const double step = 2 * std::numbers::pi * config.toneFrequency / rate_;
    for (unsigned long i = 0; i < frames; ++i) {
      // The phase from the position modulo the rate keeps precision over long runs.
      const double value =
          config.toneAmplitude * std::sin(step * static_cast<double>((position_ + i) % rate_));
      for (unsigned c = 0; c < channels_; ++c)
        WriteSample(format_, value, out + i * frameBytes + c * sampleBytes);
    }
  }

  const std::shared_ptr<FakeAlsa> owner_;
  const std::shared_ptr<FakeAlsa::CaptureDevice> device_;
  const bool plug_;  // opened as "plughw:": any format goes

  // Guarded by the owner's mutex.
  State state_ = State::kOpen;
  PcmSampleFormat format_ = PcmSampleFormat::kS16LE;
  unsigned channels_ = 0;
  unsigned rate_ = 0;
  unsigned period_ = 0;
  std::uint64_t buffer_ = 0;
  Clock::time_point start_;
  std::uint64_t consumed_ = 0;  // frames read or lost since Start
  std::uint64_t position_ = 0;  // frames produced since open: where the sound continues
  int successfulReads_ = 0;
  bool overrunDone_ = false;
  bool suspendDone_ = false;
};

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
    PlayUntilNow(record.rate);
    queued_ += static_cast<double>(frames);
    playing_ = true;  // a device starts with the first frames written
    return static_cast<long>(frames);
  }

  int Delay(long* frames) override {
    std::lock_guard lock(owner_->mutex_);
    PlayUntilNow(Record().rate);
    if (playing_ && queued_ <= 0) return -EPIPE;  // played everything: an underrun
    *frames = std::lround(queued_);
    return 0;
  }

  int Recover(int error) override {
    std::lock_guard lock(owner_->mutex_);
    ++Record().recoveries;
    return (error == -EPIPE || error == -ESTRPIPE || error == -EINTR) ? 0 : error;
  }

  int Drop() override {
    std::lock_guard lock(owner_->mutex_);
    ++Record().drops;
    queued_ = 0;
    playing_ = false;
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

  // Plays what is queued from the last call to now on the platform clock, at the device's
  // speed; a stalled device plays nothing. The owner's mutex is held.
  void PlayUntilNow(unsigned rate) {
    const ULONGLONG now = GetTickCount64();
    const ULONGLONG stalled = owner_->StalledMsLocked(now);
    if (playing_) {
      const ULONGLONG playingMs = (now - lastTick_) - (stalled - stalledSeen_);
      const double played = static_cast<double>(playingMs) * rate * owner_->playbackSpeed_ / 1000.0;
      queued_ = std::max(0.0, queued_ - played);
    }
    lastTick_ = now;
    stalledSeen_ = stalled;
  }

  std::shared_ptr<FakeAlsa> owner_;
  size_t index_;
  // Under the owner's mutex: frames written and not yet played, and when they were looked at.
  double queued_ = 0;
  ULONGLONG lastTick_ = 0;
  ULONGLONG stalledSeen_ = 0;  // the owner's stalled time at lastTick_
  bool playing_ = false;
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

void FakeAlsa::SetPlaybackSpeed(double speed) {
  std::lock_guard lock(mutex_);
  playbackSpeed_ = speed;
}

void FakeAlsa::StallPlayback(bool stalled) {
  std::lock_guard lock(mutex_);
  const ULONGLONG now = GetTickCount64();
  if (stalled && !playbackStalled_) stallStart_ = now;
  if (!stalled && playbackStalled_) stalledMs_ += now - stallStart_;
  playbackStalled_ = stalled;
}

ULONGLONG FakeAlsa::StalledMsLocked(ULONGLONG now) const {
  return stalledMs_ + (playbackStalled_ ? now - stallStart_ : 0);
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

void FakeAlsa::AddCaptureDevice(AlsaCaptureDeviceInfo info, FakeCaptureConfig config) {
  std::lock_guard lock(mutex_);
  RemoveCaptureDeviceLocked(info.pcm);
  auto device = std::make_shared<CaptureDevice>();
  device->info = std::move(info);
  device->config = std::move(config);
  captureDevices_.push_back(std::move(device));
}

void FakeAlsa::RemoveCaptureDevice(const std::string& pcm) {
  std::lock_guard lock(mutex_);
  RemoveCaptureDeviceLocked(pcm);
}

void FakeAlsa::RemoveCaptureDeviceLocked(const std::string& pcm) {
  const auto found = std::find_if(captureDevices_.begin(), captureDevices_.end(),
                                  [&pcm](const auto& device) { return device->info.pcm == pcm; });
  if (found == captureDevices_.end()) return;
  (*found)->gone = true;
  removedCaptureDevices_.push_back(*found);
  captureDevices_.erase(found);
  changed_.notify_all();
}

FakeAlsa::CaptureCounters FakeAlsa::Counters(const std::string& pcm) const {
  std::lock_guard lock(mutex_);
  for (const auto& device : captureDevices_) {
    if (device->info.pcm == pcm) return device->counters;
  }
  for (auto removed = removedCaptureDevices_.rbegin(); removed != removedCaptureDevices_.rend();
       ++removed) {
    if ((*removed)->info.pcm == pcm) return (*removed)->counters;
  }
  return {};
}

std::unique_ptr<AlsaCapture> FakeAlsa::OpenCapture(const std::string& device, int* error) {
  std::lock_guard lock(mutex_);
  int result = 0;
  std::shared_ptr<CaptureDevice> found;
  // "plughw:..." is the hardware device "hw:..." through a converting plug layer.
  const bool plug = device.rfind("plughw:", 0) == 0;
  const std::string pcm = plug ? device.substr(4) : device;
  for (const auto& candidate : captureDevices_) {
    if (candidate->info.pcm == pcm) found = candidate;
  }
  if (!found) {
    result = -ENOENT;
  } else if (found->config.openError != 0) {
    result = found->config.openError;
  } else if (found->info.hardware && found->counters.openNow > 0) {
    result = -EBUSY;  // a card's device serves one stream
  }
  if (error != nullptr) *error = result;
  if (result != 0) return nullptr;
  ++found->counters.opens;
  ++found->counters.openNow;
  return std::make_unique<FakeCapture>(shared_from_this(), std::move(found), plug);
}

std::vector<AlsaCaptureDeviceInfo> FakeAlsa::CaptureDevices() {
  std::lock_guard lock(mutex_);
  std::vector<AlsaCaptureDeviceInfo> infos;
  for (const auto& device : captureDevices_)
    infos.push_back(device->info);
  return infos;
}

void FakeAlsa::SetCaptureMixer(int card, AlsaCaptureMixer mixer) {
  std::lock_guard lock(mutex_);
  mixers_[card] = std::move(mixer);
}

AlsaCaptureMixer FakeAlsa::CaptureMixer(int card) const {
  std::lock_guard lock(mutex_);
  const auto it = mixers_.find(card);
  return it != mixers_.end() ? it->second : AlsaCaptureMixer{};
}

int FakeAlsa::MixerWrites(int card) const {
  std::lock_guard lock(mutex_);
  const auto it = mixerWrites_.find(card);
  return it != mixerWrites_.end() ? it->second : 0;
}

int FakeAlsa::ReadCaptureMixer(int card, AlsaCaptureMixer* mixer) {
  std::lock_guard lock(mutex_);
  const auto it = mixers_.find(card);
  if (it == mixers_.end()) return -ENOENT;
  *mixer = it->second;
  return 0;
}

int FakeAlsa::SetCaptureVolume(int card, long volume) {
  std::lock_guard lock(mutex_);
  const auto it = mixers_.find(card);
  if (it == mixers_.end() || !it->second.hasVolume) return -ENOENT;
  if (volume < it->second.minVolume || volume > it->second.maxVolume) return -EINVAL;
  it->second.volume = volume;
  ++mixerWrites_[card];
  return 0;
}

int FakeAlsa::SetCaptureSwitch(int card, bool capturing) {
  std::lock_guard lock(mutex_);
  const auto it = mixers_.find(card);
  if (it == mixers_.end() || !it->second.hasSwitch) return -ENOENT;
  it->second.capturing = capturing;
  ++mixerWrites_[card];
  return 0;
}

int FakeAlsa::SetCaptureSource(int card, int source) {
  std::lock_guard lock(mutex_);
  const auto it = mixers_.find(card);
  if (it == mixers_.end() || it->second.sources.empty()) return -ENOENT;
  if (source < 0 || source >= static_cast<int>(it->second.sources.size())) return -EINVAL;
  it->second.source = source;
  ++mixerWrites_[card];
  return 0;
}
