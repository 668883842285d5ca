#pragma once
// An in-memory ALSA for tests: playback devices that record what is written to them, with faults
// to inject (open fails, underruns, short writes). Install it with SetDefaultAlsaApi.
//
// Threads: the renderer writes on its streaming thread while a test reads; every member is
// guarded by one mutex. Make it with std::make_shared: opened devices share it.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "com/Types.h"
#include "devices/alsa/AlsaApi.h"

class FakeAlsa final : public AlsaApi, public std::enable_shared_from_this<FakeAlsa> {
 public:
  // What one opened device saw.
  struct DeviceRecord {
    std::string name;
    bool paramsSet = false;
    PcmSampleFormat format = PcmSampleFormat::kS16LE;
    unsigned channels = 0;
    unsigned rate = 0;
    std::vector<BYTE> written;
    int writeCalls = 0;
    int recoveries = 0;
    int drops = 0;
    int drains = 0;
    bool closed = false;
  };

  // Every open fails with error (a negative errno) while it is not 0.
  void FailOpen(int error);
  // SetParams fails with error while it is not 0.
  void FailParams(int error);
  // The next count writes fail with error (-EPIPE: an underrun) before writing anything.
  void FailWrites(int count, int error);
  // Each write takes at most frames frames (0: no limit).
  void LimitWrite(unsigned long frames);

  std::unique_ptr<AlsaPcm> OpenPlayback(const std::string& device, int* error) override;

  int OpenAttempts() const;
  // Copies of the records of every device opened so far, in order.
  std::vector<DeviceRecord> Devices() const;
  // Bytes written to every device so far.
  size_t BytesWritten() const;

 private:
  friend class FakePcm;

  mutable std::mutex mutex_;
  int openError_ = 0;
  int paramsError_ = 0;
  int failingWrites_ = 0;
  int writeError_ = 0;
  unsigned long writeLimit_ = 0;
  int openAttempts_ = 0;
  std::vector<DeviceRecord> devices_;
};
