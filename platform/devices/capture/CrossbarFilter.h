#pragma once
// A crossbar filter of a capture card: input pins for the physical connectors, output pins
// towards the decoder (and the sound), and IAMCrossbar with the described routing matrix. No
// samples pass through it: its connections only show the way from a connector to the capture
// filter. On the pin enumeration the inputs come first, then the outputs. A back-end that drives
// hardware gives a hook that applies each route to the device. ISpecifyPropertyPages names the
// crossbar page.
//
// Threads: application thread, like any filter's connections and controls.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/capture/CrossbarDescription.h"
#include "devices/capture/CrossbarRouting.h"
#include "devices/capture/FilterPart.h"
#include "devices/capture/PropertyPageList.h"
#include "dshow/base/BaseFilter.h"
#include "dshow/base/BasePin.h"

namespace devices {

// A pin of analog video or audio: MEDIATYPE_AnalogVideo or MEDIATYPE_AnalogAudio.
class AnalogPin : public CBasePin {
 public:
  AnalogPin(CBaseFilter* filter, std::string name, PIN_DIRECTION direction, bool video);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;

  // The type analog connections carry.
  static MediaType AnalogType(bool video);

 private:
  const bool video_;
};

class CrossbarFilter : public CBaseFilter {
 public:
  // Called by IAMCrossbar::Route once the matrix allows the route (input -1: disconnect), also
  // when the output already takes that input, so that the device follows even after another
  // program switched it. A failure is what Route returns, and the routing stays as it was. The
  // hook may route other outputs of routing itself (sound that the hardware switches along).
  using RouteHook = std::function<HRESULT(LONG output, LONG input, CrossbarRouting& routing)>;

  CrossbarFilter(const CLSID& clsid, CrossbarDescription crossbar, RouteHook onRoute = {});

  int GetPinCount() override { return static_cast<int>(pins_.size()); }
  CBasePin* GetPin(int index) override;

  // The input pin of that crossbar index, or the output pin; null out of range.
  CBasePin* InputPin(LONG index);
  CBasePin* OutputPin(LONG index);

  const CrossbarDescription& Description() const { return description_; }

 protected:
  ~CrossbarFilter() override;
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  class Control;

  HRESULT Route(LONG output, LONG input);

  const CrossbarDescription description_;
  const RouteHook onRoute_;
  CrossbarRouting routing_;
  std::vector<std::unique_ptr<AnalogPin>> pins_;  // inputs, then outputs
  std::unique_ptr<Control> control_;
  PropertyPageList pages_;  // the crossbar page
};

// "Video Composite In", "Audio Tuner In", "Video Decoder Out", ...
std::string CrossbarPinName(LONG physicalType, bool isInput);

}  // namespace devices
