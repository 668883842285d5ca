// Copying the live state of the device in the graph (tuner, decoder, crossbar routing, picture
// controls) into the settings table, so that the next graph and the next run restore it.

#include <vector>

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/IntList.h"
#include "rudozav/devices/ProcAmp.h"
#include "rudozav/devices/SettingsStore.h"

namespace {

// A failing get leaves its entry as it was.
void CaptureTuner(IAMTVTuner& tuner, TRegSave& settings) {
  LONG channel = 0;
  LONG videoSub = 0;
  LONG audioSub = 0;
  if (SUCCEEDED(tuner.get_Channel(&channel, &videoSub, &audioSub))) {
    settings[rs_TVChannel].IntValue = channel;
    settings[rs_TVVideoSubChannel].IntValue = videoSub;
    settings[rs_TVAudioSubChannel].IntValue = audioSub;
  }
  LONG input = 0;
  if (SUCCEEDED(tuner.get_ConnectInput(&input))) settings[rs_TVConnectInput].IntValue = input;
  LONG count = 0;
  if (SUCCEEDED(tuner.get_NumInputConnections(&count))) {
    std::vector<std::int32_t> types;
    for (LONG i = 0; i < count; ++i) {
      TunerInputType type = TunerInputCable;
      types.push_back(SUCCEEDED(tuner.get_InputType(i, &type)) ? type : NOT_SET);
    }
    settings[rs_TVInputType].StrValue = EncodeIntList(types);
  }
  settings[rs_TVINFOAVAIL].BoolValue = true;
}

void CaptureDecoder(IAMAnalogVideoDecoder& decoder, TRegSave& settings) {
  settings[rs_ANALOGVIDEODECODERAVAIL].BoolValue = true;
  LONG value = 0;
  if (SUCCEEDED(decoder.get_VCRHorizontalLocking(&value)))
    settings[rs_ANVVCRHorzLocking].IntValue = value;
  if (SUCCEEDED(decoder.get_OutputEnable(&value))) settings[rs_ANVOutputEnable].IntValue = value;
}

// An output whose routing cannot be read is stored as NOT_SET, which makes the whole value
// unusable for restoring rather than routing a wrong input.
std::string CrossbarRouting(IAMCrossbar& crossbar) {
  LONG outputs = 0;
  LONG inputs = 0;
  if (FAILED(crossbar.get_PinCounts(&outputs, &inputs))) outputs = 0;
  std::vector<std::int32_t> routing;
  for (LONG i = 0; i < outputs; ++i) {
    LONG input = -1;
    routing.push_back(SUCCEEDED(crossbar.get_IsRoutedTo(i, &input)) ? input : NOT_SET);
  }
  return EncodeIntList(routing);
}

}  // namespace

void TRavorOderiri::CaptureDeviceState() {
  TRavorOdeririState& state = *state_;
  TRegSave& settings = state.settings;
  if (state.graph->tvTuner) CaptureTuner(*state.graph->tvTuner, settings);
  if (state.graph->analogVideoDecoder) CaptureDecoder(*state.graph->analogVideoDecoder, settings);
  if (state.graph->videoCrossbar) {
    settings[rs_VIDEOCROSSBARAVAIL].BoolValue = true;
    settings[rs_AMVideoCrossbar].StrValue = CrossbarRouting(*state.graph->videoCrossbar);
  }
  if (state.graph->audioCrossbar) {
    settings[rs_AUDIOCROSSBARAVAIL].BoolValue = true;
    settings[rs_AMAudioCrossbar].StrValue = CrossbarRouting(*state.graph->audioCrossbar);
  }
  CaptureProcAmpSettings(state.graph->procAmp.Get(), settings);
  SaveDeviceSettings(*this);
}
