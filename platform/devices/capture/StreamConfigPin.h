#pragma once
// An output pin of a capture device with IAMStreamConfig: the capabilities the device lists, and
// the format SetFormat chose. Once a format was set the pin connects with that format only, as a
// driver does; SetFormat on a connected pin (filter stopped) connects it again with the new type.
// ISpecifyPropertyPages names the stream format page.
// The back-end says what the device offers through the protected hooks.
//
// Threads: IAMStreamConfig and connections on the application's thread; the chosen format is
// guarded by a lock, so a streaming thread may read it.

#include <mutex>
#include <string>

#include "devices/capture/PropertyPageList.h"
#include "dshow/DeviceInterfaces.h"
#include "dshow/base/SourceStream.h"

namespace devices {

class CaptureFilter;

class StreamConfigPin : public CSourceStream, public IAMStreamConfig {
 public:
  StreamConfigPin(CaptureFilter* filter, std::string name);

  // IUnknown, one for every interface of the pin.
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBasePin::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBasePin::AddRef(); }
  ULONG Release() override { return CBasePin::Release(); }

  // IAMStreamConfig. SetFormat takes types the device accepts (VFW_E_INVALIDMEDIATYPE
  // otherwise), only while the filter is stopped (VFW_E_NOT_STOPPED), and on a connected pin
  // only types the peer accepts (VFW_E_TYPE_NOT_ACCEPTED, the format unchanged).
  HRESULT SetFormat(AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetFormat(AM_MEDIA_TYPE** mediaType) override;
  HRESULT GetNumberOfCapabilities(int* count, int* size) override;
  HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* caps) override;

  // CBasePin: the chosen format first (else the first capability), then the capabilities.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;

 protected:
  // What the device offers.
  virtual int CapabilityCount() const = 0;
  // The type of a capability at its own size and rate; an empty type for a bad index.
  virtual MediaType CapabilityType(int index) const = 0;
  // The capability's VIDEO_STREAM_CONFIG_CAPS or AUDIO_STREAM_CONFIG_CAPS, and its size.
  virtual int CapsSize() const = 0;
  virtual void WriteCaps(int index, BYTE* caps) const = 0;
  // Whether the device can deliver the type.
  virtual bool Accepts(const AM_MEDIA_TYPE& mediaType) const = 0;
  // Whether offered is the chosen format in what the device cares about; by default the
  // subtype and, for video, the frame size (for DV without a size: the sample size).
  virtual bool SameFormat(const AM_MEDIA_TYPE& chosen, const AM_MEDIA_TYPE& offered) const;

  HRESULT QueryPinInterface(REFIID riid, void** object) override;

  CaptureFilter* Device() const { return device_; }
  // The type new connections start from: the one SetFormat chose, else the first capability.
  MediaType PreferredType() const;
  bool HasChosenFormat() const;

 private:
  bool FitsChosenFormat(const AM_MEDIA_TYPE& mediaType) const;
  HRESULT Reconnect(const AM_MEDIA_TYPE& mediaType);

  CaptureFilter* const device_;
  mutable std::mutex formatLock_;
  MediaType chosen_;        // guarded by formatLock_; empty until SetFormat
  PropertyPageList pages_;  // the stream format page
};

}  // namespace devices
