#pragma once
// The tape controls of a virtual DV camcorder: the time code reader, which follows the frames
// the camera has delivered, and the transport. Application thread.

#include <atomic>
#include <functional>
#include <mutex>

#include "devices/virtual/DeviceDescription.h"
#include "devices/capture/FilterPart.h"

namespace devices {

class VirtualTimecodeReader : public FilterPart<IAMTimecodeReader> {
 public:
  // framesElapsed: how far the tape has run (any thread may answer it).
  VirtualTimecodeReader(IUnknown* owner, const TimecodeDescription& timecode,
                        std::function<LONGLONG()> framesElapsed);

  HRESULT GetTCRMode(LONG param, LONG* value) override;
  HRESULT SetTCRMode(LONG param, LONG value) override;
  HRESULT put_VITCLine(LONG line) override;
  HRESULT get_VITCLine(LONG* line) override;
  // ED_DEVCAP_TIMECODE_READ: the packed BCD time code (all 0xFF bytes on a blank tape);
  // ED_DEVCAP_ATN_READ: the absolute track number. E_INVALIDARG for other requests.
  HRESULT GetTimecode(TIMECODE_SAMPLE* sample) override;

 private:
  const TimecodeDescription timecode_;
  const std::function<LONGLONG()> framesElapsed_;
  std::atomic<LONG> vitcLine_{0};
};

class VirtualTransport : public FilterPart<IAMExtTransport> {
 public:
  VirtualTransport(IUnknown* owner, const TransportDescription& transport);

  HRESULT GetCapability(LONG capability, LONG* value, double* doubleValue) override;
  HRESULT put_MediaState(LONG state) override;
  HRESULT get_MediaState(LONG* state) override;
  HRESULT put_LocalControl(LONG state) override;
  HRESULT get_LocalControl(LONG* state) override;
  HRESULT GetStatus(LONG statusItem, LONG* value) override;
  HRESULT put_Mode(LONG mode) override;
  HRESULT get_Mode(LONG* mode) override;
  HRESULT put_Rate(double rate) override;
  HRESULT get_Rate(double* rate) override;

 private:
  std::mutex mutex_;
  LONG mode_;                           // guarded by mutex_
  LONG mediaState_ = ED_MEDIA_SPIN_UP;  // guarded by mutex_
  LONG localControl_ = 0;               // guarded by mutex_
  double rate_ = 1.0;                   // guarded by mutex_
};

// Dialogs of an older driver. Nothing is drawn: a shown dialog is reported to the observer
// (devices/virtual/VirtualDevices.h) and closes at once.
class VirtualCaptureDialogs : public FilterPart<IAMVfwCaptureDialogs> {
 public:
  // isStopped: whether the filter is stopped (the format dialog needs it).
  VirtualCaptureDialogs(IUnknown* owner, const DeviceDescription& device,
                        std::function<bool()> isStopped);

  HRESULT HasDialog(int dialog) override;
  // E_INVALIDARG for a dialog the driver does not have; VFW_E_NOT_STOPPED for the format dialog
  // while the graph streams.
  HRESULT ShowDialog(int dialog, OAHWND owner) override;
  HRESULT SendDriverMessage(int dialog, int message, LONG_PTR data1, LONG_PTR data2) override;

 private:
  const std::string deviceName_;
  const int dialogs_;
  const std::function<bool()> isStopped_;
};

}  // namespace devices
