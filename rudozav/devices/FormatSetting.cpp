#include "rudozav/devices/FormatSetting.h"

#include "com/Guid.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/FormatText.h"

namespace errors = rudozav::errors;

namespace {

// GetFormat of config into a media type the caller owns.
HRESULT CurrentFormat(IAMStreamConfig& config, MediaType& mediaType) {
  AM_MEDIA_TYPE* handedOut = nullptr;
  const HRESULT hr = config.GetFormat(&handedOut);
  mediaType = MediaType::Adopt(handedOut);
  return handedOut == nullptr && SUCCEEDED(hr) ? E_POINTER : hr;
}

// An index out of range becomes 0, with the warning.
void CheckIndex(TRavorOderiri& component, std::int32_t& index, std::size_t count,
                const TLogEntry& warning) {
  if (index >= 0 && static_cast<std::size_t>(index) < count) return;
  index = 0;
  rudozav::LogCheck(component, true, warning);
}

// A header that still describes the subtype the format had before would make the pin refuse the
// new subtype: compression, depth and frame size follow the subtype where it is known.
void MatchHeaderToSubtype(AM_MEDIA_TYPE& mediaType) {
  const VideoSubtypeInfo* info = FindVideoSubtype(mediaType.subtype);
  BITMAPINFOHEADER* header = BitmapHeaderOf(mediaType);
  if (info == nullptr || header == nullptr) return;
  header->biCompression = info->compression;
  header->biBitCount = info->bitCount;
  SetVideoSize(mediaType, header->biWidth, header->biHeight);
}

HRESULT SetFormatOfIndexes(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  if (!state.graph->streamConfig) return E_NOINTERFACE;
  if (state.subtypeList.empty()) {
    WriteProcessLog("ERROR: no formats in SetFormat");
    return E_FAIL;
  }
  std::int32_t& subtypeIndex = state.settings[rs_VideoSubtype].IntValue;
  CheckIndex(component, subtypeIndex, state.subtypeList.size(),
             errors::kVideoSubTypeIndexOutOfRange);
  MediaType mediaType;
  const HRESULT got = CurrentFormat(*state.graph->streamConfig, mediaType);
  if (FAILED(got)) {
    rudozav::LogResult(component, got, errors::kGetVideoFormat);
    return got;
  }
  const auto subtype = ParseGuid(state.subtypeList[static_cast<std::size_t>(subtypeIndex)]);
  if (component.IsDVDevice()) {
    if (subtype) mediaType->subtype = *subtype;
    return state.graph->streamConfig->SetFormat(&mediaType.Get());
  }
  if (state.sizeList.empty()) return S_OK;
  std::int32_t& sizeIndex = state.settings[rs_VideoSize].IntValue;
  CheckIndex(component, sizeIndex, state.sizeList.size(), errors::kVideoSizeIndexOutOfRange);
  const TFrameSize size = ParseSizeText(state.sizeList[static_cast<std::size_t>(sizeIndex)]);
  if (subtype) mediaType->subtype = *subtype;
  const int kind = FormatKind(mediaType.Get());
  BITMAPINFOHEADER* header = BitmapHeaderOf(mediaType.Get());
  if ((kind != 1 && kind != 2) || header == nullptr) return S_OK;
  header->biWidth = size.Width;
  header->biHeight = size.Height;
  MatchHeaderToSubtype(mediaType.Get());
  return state.graph->streamConfig->SetFormat(&mediaType.Get());
}

// The stream's current format; a failure is logged.
bool LoggedCurrentFormat(TRavorOderiri& component, MediaType& mediaType) {
  const HRESULT got = CurrentFormat(*component.State().graph->streamConfig, mediaType);
  if (FAILED(got)) rudozav::LogResult(component, got, errors::kGetVideoFormat);
  return SUCCEEDED(got);
}

}  // namespace

bool SetVideoFormat(TRavorOderiri& component) {
  const HRESULT hr = SetFormatOfIndexes(component);
  rudozav::LogCheck(component, FAILED(hr), errors::kSetVideoFormat);
  return SUCCEEDED(hr);
}

void ApplyFrameRate(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  if (!state.graph->streamConfig) return;
  MediaType mediaType;
  const HRESULT got = CurrentFormat(*state.graph->streamConfig, mediaType);
  if (mediaType.IsEmpty() || mediaType->pbFormat == nullptr) return;
  if (FAILED(got)) {
    rudozav::LogResult(component, got, errors::kGetVideoFormat);
    return;
  }
  const int kind = FormatKind(mediaType.Get());
  if (kind == 0) return;
  const double rate = FrameRateToApply(component.FrameRate());
  if (kind == 1 || kind == 2) SetAvgTimePerFrame(mediaType.Get(), FrameIntervalOf(rate));
  const HRESULT set = state.graph->streamConfig->SetFormat(&mediaType.Get());
  if (SUCCEEDED(set)) {
    state.settings[rs_FrameRate].FloatValue = rate;
  } else {
    rudozav::LogResult(component, set, errors::kSetFrameRate);
  }
}

void ReadFrameRate(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  if (!state.graph->streamConfig) return;
  MediaType mediaType;
  if (!LoggedCurrentFormat(component, mediaType)) return;
  const int kind = FormatKind(mediaType.Get());
  const auto format = ReadVideoFormat(mediaType.Get());
  if ((kind != 1 && kind != 2) || !format) return;
  // An interval of 0 says nothing about the rate: the old one stays.
  if (const auto rate = FrameRateOfInterval(format->avgTimePerFrame))
    state.settings[rs_FrameRate].FloatValue = *rate;
}

void ReadCurrentFormat(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  if (!state.graph->streamConfig) return;
  MediaType mediaType;
  if (!LoggedCurrentFormat(component, mediaType)) return;
  const int kind = FormatKind(mediaType.Get());
  const BITMAPINFOHEADER* header = BitmapHeaderOf(mediaType.Get());
  if ((kind != 1 && kind != 2) || header == nullptr) return;
  const std::string subtype = StringFromGUID(mediaType->subtype);
  if (subtype.empty() || header->biWidth == 0 || header->biHeight == 0) return;
  for (std::size_t i = 0; i < state.subtypeList.size(); ++i) {
    if (state.subtypeList[i] == subtype) {
      state.settings[rs_VideoSubtype].IntValue = static_cast<std::int32_t>(i);
      break;
    }
  }
  for (std::size_t i = 0; i < state.sizeList.size(); ++i) {
    const TFrameSize size = ParseSizeText(state.sizeList[i]);
    if (size.Width == header->biWidth && size.Height == header->biHeight) {
      state.settings[rs_VideoSize].IntValue = static_cast<std::int32_t>(i);
      break;
    }
  }
}

void ConfigureDVDecoder(TRavorOderiri& component, IBaseFilter* decoder) {
  if (decoder == nullptr) return;
  const ComPtr<IBaseFilter> owner(decoder);
  if (const auto rgb219 = owner.As<IDVRGB219>())
    rgb219->SetRGB219(component.DVRgb219() ? TRUE : FALSE);
  TRavorOdeririState& state = component.State();
  if (state.sizeList.empty()) {
    WriteProcessLog("ERROR: NO FORMATS");
    return;
  }
  std::int32_t& sizeIndex = state.settings[rs_VideoSize].IntValue;
  CheckIndex(component, sizeIndex, state.sizeList.size(), errors::kVideoSizeIndexOutOfRange);
  const int resolution = DVResolutionOf(state.sizeList[static_cast<std::size_t>(sizeIndex)]);
  if (const auto display = owner.As<IIPDVDec>()) display->put_IPDisplay(resolution);
}

void ApplyAudioFormat(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  const auto pcm = PcmFormatOf(component.AudioFormat());
  if (!state.graph->audioStreamConfig || !component.CaptureAudio() || !pcm) return;
  MediaType mediaType;
  const HRESULT got = CurrentFormat(*state.graph->audioStreamConfig, mediaType);
  if (FAILED(got)) {
    rudozav::LogResult(component, got, errors::kGetAudioFormat);
    return;
  }
  if (mediaType->formattype != FORMAT_WaveFormatEx) return;
  WAVEFORMATEX* wave = mediaType.FormatAs<WAVEFORMATEX>();
  if (wave == nullptr) return;
  if (wave->wFormatTag != WAVE_FORMAT_PCM) {
    rudozav::LogCheck(component, true, errors::kAudioFormatPcmOnly);
    return;
  }
  wave->nSamplesPerSec = pcm->SamplesPerSec;
  wave->wBitsPerSample = static_cast<WORD>(pcm->BitsPerSample);
  wave->nChannels = static_cast<WORD>(pcm->Channels);
  wave->nBlockAlign = static_cast<WORD>(wave->nChannels * wave->wBitsPerSample / 8);
  wave->nAvgBytesPerSec = wave->nBlockAlign * wave->nSamplesPerSec;
  const HRESULT set = state.graph->audioStreamConfig->SetFormat(&mediaType.Get());
  if (FAILED(set)) rudozav::LogResult(component, set, errors::kSetAudioFormat);
}

void TRavorOderiri::ApplyFrameRateToStream() {
  ::ApplyFrameRate(*this);
}
