#include "devices/virtual/VirtualTapeControls.h"

#include "devices/virtual/DriverDialogs.h"
#include "devices/virtual/Timecode.h"

namespace devices {

VirtualTimecodeReader::VirtualTimecodeReader(IUnknown* owner, const TimecodeDescription& timecode,
                                             std::function<LONGLONG()> framesElapsed)
    : FilterPart(owner), timecode_(timecode), framesElapsed_(std::move(framesElapsed)) {}

HRESULT VirtualTimecodeReader::GetTCRMode(LONG /*param*/, LONG* value) {
  if (value == nullptr) return E_POINTER;
  *value = 0;
  return E_NOTIMPL;
}

HRESULT VirtualTimecodeReader::SetTCRMode(LONG /*param*/, LONG /*value*/) {
  return E_NOTIMPL;
}

HRESULT VirtualTimecodeReader::put_VITCLine(LONG line) {
  vitcLine_.store(line);
  return S_OK;
}

HRESULT VirtualTimecodeReader::get_VITCLine(LONG* line) {
  if (line == nullptr) return E_POINTER;
  *line = vitcLine_.load();
  return S_OK;
}

HRESULT VirtualTimecodeReader::GetTimecode(TIMECODE_SAMPLE* sample) {
  if (sample == nullptr) return E_POINTER;
  if (sample->dwFlags == ED_DEVCAP_ATN_READ) {
    sample->timecode.dwFrames = timecode_.track;
    return S_OK;
  }
  if (sample->dwFlags != ED_DEVCAP_TIMECODE_READ) return E_INVALIDARG;
  const LONGLONG frames = framesElapsed_ ? framesElapsed_() : 0;
  sample->timecode.wFrameRate = static_cast<WORD>(timecode_.framesPerSecond);
  sample->timecode.dwFrames =
      timecode_.blank
          ? 0xFFFFFFFFu
          : FramesToTimecode(TimecodeToFrames(timecode_.start, timecode_.framesPerSecond) + frames,
                             timecode_.framesPerSecond);
  return S_OK;
}

VirtualTransport::VirtualTransport(IUnknown* owner, const TransportDescription& transport)
    : FilterPart(owner), mode_(transport.mode == 0 ? ED_MODE_STOP : transport.mode) {}

HRESULT VirtualTransport::GetCapability(LONG /*capability*/, LONG* value, double* doubleValue) {
  if (value == nullptr || doubleValue == nullptr) return E_POINTER;
  *value = 0;
  *doubleValue = 0;
  return E_NOTIMPL;
}

HRESULT VirtualTransport::put_MediaState(LONG state) {
  std::lock_guard lock(mutex_);
  mediaState_ = state;
  return S_OK;
}

HRESULT VirtualTransport::get_MediaState(LONG* state) {
  if (state == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *state = mediaState_;
  return S_OK;
}

HRESULT VirtualTransport::put_LocalControl(LONG state) {
  std::lock_guard lock(mutex_);
  localControl_ = state;
  return S_OK;
}

HRESULT VirtualTransport::get_LocalControl(LONG* state) {
  if (state == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *state = localControl_;
  return S_OK;
}

HRESULT VirtualTransport::GetStatus(LONG /*statusItem*/, LONG* value) {
  if (value == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *value = mode_;
  return S_OK;
}

HRESULT VirtualTransport::put_Mode(LONG mode) {
  if (mode < ED_MODE_PLAY || mode > ED_MODE_RECORD) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  mode_ = mode;
  return S_OK;
}

HRESULT VirtualTransport::get_Mode(LONG* mode) {
  if (mode == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *mode = mode_;
  return S_OK;
}

HRESULT VirtualTransport::put_Rate(double rate) {
  std::lock_guard lock(mutex_);
  rate_ = rate;
  return S_OK;
}

HRESULT VirtualTransport::get_Rate(double* rate) {
  if (rate == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *rate = rate_;
  return S_OK;
}

VirtualCaptureDialogs::VirtualCaptureDialogs(IUnknown* owner, const DeviceDescription& device,
                                             std::function<bool()> isStopped)
    : FilterPart(owner),
      deviceName_(device.friendlyName),
      dialogs_(device.vfwDialogs),
      isStopped_(std::move(isStopped)) {}

HRESULT VirtualCaptureDialogs::HasDialog(int dialog) {
  return (dialog == VfwCaptureDialog_Source || dialog == VfwCaptureDialog_Format ||
          dialog == VfwCaptureDialog_Display) &&
                 (dialogs_ & dialog) != 0
             ? S_OK
             : S_FALSE;
}

HRESULT VirtualCaptureDialogs::ShowDialog(int dialog, OAHWND owner) {
  if (HasDialog(dialog) != S_OK) return E_INVALIDARG;
  if (dialog == VfwCaptureDialog_Format && !isStopped_()) return VFW_E_NOT_STOPPED;
  ReportDriverDialog(deviceName_, dialog, owner);
  return S_OK;
}

HRESULT VirtualCaptureDialogs::SendDriverMessage(int /*dialog*/, int /*message*/,
                                                 LONG_PTR /*data1*/, LONG_PTR /*data2*/) {
  return E_NOTIMPL;
}

}  // namespace devices
