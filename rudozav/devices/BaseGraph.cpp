// The base graph every graph starts with: the video capture filter with its control interfaces
// and the device state saved for it, and the audio capture filter when audio is used.

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/LineList.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/Crossbar.h"
#include "rudozav/devices/CrossbarInput.h"
#include "rudozav/devices/CrossbarTree.h"
#include "rudozav/devices/DeviceBinding.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/devices/Discovery.h"
#include "rudozav/devices/FormatSetting.h"
#include "rudozav/devices/IntList.h"
#include "rudozav/devices/InterfaceSearch.h"
#include "rudozav/devices/ProcAmp.h"
#include "rudozav/graph/GraphBuilder.h"

namespace errors = rudozav::errors;

namespace {

// Routes every output of the crossbar to its saved input when the saved count still matches.
void RestoreCrossbarRouting(IAMCrossbar& crossbar, const std::string& saved) {
  LONG outputs = 0;
  LONG inputs = 0;
  if (FAILED(crossbar.get_PinCounts(&outputs, &inputs))) return;
  const auto routing = DecodeIntList(saved, outputs);
  if (!routing) return;
  for (LONG i = 0; i < outputs; ++i)
    crossbar.Route(i, (*routing)[static_cast<std::size_t>(i)]);  // a refused route stays as it was
}

// Values never captured (NOT_SET) are not written back.
void RestoreTuner(IAMTVTuner& tuner, const TRegSave& settings) {
  LONG inputCount = 0;
  if (SUCCEEDED(tuner.get_NumInputConnections(&inputCount))) {
    if (const auto types = DecodeIntList(settings[rs_TVInputType].StrValue, inputCount)) {
      for (LONG i = 0; i < inputCount; ++i)
        tuner.put_InputType(i, static_cast<TunerInputType>((*types)[static_cast<std::size_t>(i)]));
    }
  }
  const std::int32_t input = settings[rs_TVConnectInput].IntValue;
  if (input != NOT_SET) tuner.put_ConnectInput(input);
  const std::int32_t channel = settings[rs_TVChannel].IntValue;
  const std::int32_t videoSub = settings[rs_TVVideoSubChannel].IntValue;
  const std::int32_t audioSub = settings[rs_TVAudioSubChannel].IntValue;
  if (channel != NOT_SET && videoSub != NOT_SET && audioSub != NOT_SET)
    tuner.put_Channel(channel, videoSub, audioSub);
}

// A chosen standard (0 is none) is written to every decoder in a graph, also before the decoder's
// state was ever captured: otherwise a standard chosen while no graph ran would be lost on the
// device's first graph. The locking and output values are written back once they were captured.
// Results are ignored: a decoder keeps what it refuses.
void RestoreDecoder(IAMAnalogVideoDecoder& decoder, const TRegSave& settings) {
  const std::int32_t standard = settings[rs_ANTVFormat].IntValue;
  if (standard != 0 && standard != NOT_SET) decoder.put_TVFormat(standard);
  if (!settings[rs_ANALOGVIDEODECODERAVAIL].BoolValue) return;
  const std::int32_t locking = settings[rs_ANVVCRHorzLocking].IntValue;
  if (locking != NOT_SET) decoder.put_VCRHorizontalLocking(locking);
  const std::int32_t enable = settings[rs_ANVOutputEnable].IntValue;
  if (enable != NOT_SET) decoder.put_OutputEnable(enable);
}

}  // namespace

bool TRavorOderiri::BuildBaseGraph(bool withAudio) {
  TRavorOdeririState& state = *state_;
  WriteProcessLog("BASEGR BEGIN");
  const TDevices* videoDevices = VideoDeviceList();
  if (!CreateGraphBuilder(*this) || videoDevices == nullptr ||
      !BindDeviceFilter(*this, *videoDevices, state.currentDeviceIndex, state.videoDeviceUsable,
                        false, state.graph->videoCaptureFilter)) {
    return false;
  }
  const TCapDeviceInfo& device =
      videoDevices->Items[static_cast<std::size_t>(state.currentDeviceIndex)];
  rudozav::LogCheck(*this, !device.IsWDM, errors::kVfwDriversSlow);

  ICaptureGraphBuilder2* builder = state.graph->captureBuilder.Get();
  IBaseFilter* filter = state.graph->videoCaptureFilter.Get();
  state.graph->streamMajorType = StreamMajorTypeOf(builder, filter);
  const GUID& majorType = state.graph->streamMajorType;
  TRegSave& settings = state.settings;

  state.graph->streamConfig =
      FindDeviceInterface<IAMStreamConfig>(builder, &PIN_CATEGORY_CAPTURE, &majorType, filter);
  state.graph->transport = FindDeviceInterface<IAMExtTransport>(builder, nullptr, nullptr, filter);
  rudozav::LogCheck(*this, !state.graph->transport, errors::kFindTransport);
  state.graph->timecodeReaderInterface =
      FindDeviceInterface<IAMTimecodeReader>(builder, nullptr, nullptr, filter);
  rudozav::LogCheck(*this, !state.graph->timecodeReaderInterface, errors::kFindTimecodeReader);

  state.graph->procAmp =
      FindDeviceInterface<IAMVideoProcAmp>(builder, &PIN_CATEGORY_CAPTURE, &majorType, filter);
  rudozav::LogCheck(*this, !state.graph->procAmp, errors::kFindProcAmp);
  if (state.graph->procAmp) {
    ApplyProcAmpSettings(state.graph->procAmp.Get(), settings);
    ReadProcAmpRanges(state.graph->procAmp.Get(), state.graph->procAmpRanges);
  }

  state.graph->videoCrossbar = FindDeviceInterface<IAMCrossbar>(builder, nullptr, nullptr, filter);
  if (state.graph->videoCrossbar) {
    if (const auto crossbarFilter = state.graph->videoCrossbar.As<IBaseFilter>()) {
      state.graph->audioCrossbar = FindDeviceInterface<IAMCrossbar>(builder, &LOOK_UPSTREAM_ONLY,
                                                                    nullptr, crossbarFilter.Get());
      if (state.graph->audioCrossbar && autoConnectRelatedPins_)
        state.graph->crossbarTree = BuildCrossbarTree(GetFilterPin(filter, PINDIR_INPUT, 0).Get());
    }
    if (!state.graph->crossbarTree && autoConnectRelatedPins_) RouteRelatedAudioPin(*this);
    if (settings[rs_VIDEOCROSSBARAVAIL].BoolValue)
      RestoreCrossbarRouting(*state.graph->videoCrossbar, settings[rs_AMVideoCrossbar].StrValue);
  }
  LoadCrossbarPins(state.graph->videoCrossbarPins, state.graph->videoCrossbar.Get());
  LoadCrossbarPins(state.graph->audioCrossbarPins, state.graph->audioCrossbar.Get());

  state.graph->propertySet = state.graph->videoCaptureFilter.As<IKsPropertySet>();
  state.graph->tvTuner = FindDeviceInterface<IAMTVTuner>(builder, nullptr, nullptr, filter);
  if (state.graph->tvTuner && settings[rs_TVINFOAVAIL].BoolValue)
    RestoreTuner(*state.graph->tvTuner, settings);
  state.graph->analogVideoDecoder =
      FindDeviceInterface<IAMAnalogVideoDecoder>(builder, nullptr, nullptr, filter);
  if (state.graph->analogVideoDecoder) RestoreDecoder(*state.graph->analogVideoDecoder, settings);
  state.graph->tvAudio = FindDeviceInterface<IAMTVAudio>(builder, nullptr, nullptr, filter);

  const bool audioWanted = withAudio &&
                           (state.currentState == cs_Preview || state.currentState == cs_Capture) &&
                           (captureAudio_ || renderAudio_);
  if (audioWanted) {
    const TDevices* audioDevices = AudioDeviceList();
    if (audioDevices == nullptr || audioDevices->Count() == 0) {
      rudozav::LogCheck(*this, true, errors::kNoAudioDeviceFound);
      state.audioDeviceUsable = false;
    } else if (BindDeviceFilter(*this, *audioDevices, audioDevice_, state.audioDeviceUsable, false,
                                state.graph->audioCaptureFilter)) {
      state.graph->audioStreamConfig = FindDeviceInterface<IAMStreamConfig>(
          builder, &PIN_CATEGORY_CAPTURE, nullptr, state.graph->audioCaptureFilter.Get());
    }
  }

  SetVideoFormat(*this);
  WriteProcessLog("subtypes:");
  WriteProcessLog(rudozav::JoinLines(state.subtypeList));
  WriteProcessLog("analog standards:");
  const std::string standards = AnalogVideoStandards();
  if (!standards.empty()) WriteProcessLog(standards);
  WriteProcessLog("sizes");
  WriteProcessLog(rudozav::JoinLines(state.sizeList));
  WriteProcessLog("BASEGR END");
  return true;
}
