#include "devices/encoders/CompressorSettingsParts.h"

#include <cstring>
#include <string>

extern "C" {
#include <libavcodec/version.h>
}

#include "devices/encoders/CompressorFilter.h"

namespace devices {
namespace {

// Copies text with its terminating zero into a buffer of *size bytes (when there is one) and
// writes back the size it needs.
HRESULT CopyText(const std::string& text, LPOLESTR buffer, int* size) {
  if (size == nullptr) return S_OK;
  const int needed = static_cast<int>(text.size()) + 1;
  if (buffer != nullptr) {
    if (*size < needed) return E_INVALIDARG;
    std::memcpy(buffer, text.c_str(), static_cast<std::size_t>(needed));
  }
  *size = needed;
  return S_OK;
}

}  // namespace

CompressionSettingsPart::CompressionSettingsPart(CompressorFilter* filter)
    : FilterPart(static_cast<IBaseFilter*>(filter)), filter_(filter) {}

LONG CompressionSettingsPart::Capabilities() const {
  const EncoderEntry& entry = filter_->Entry();
  LONG capabilities = 0;
  if (!entry.lossless) capabilities |= CompressionCaps_CanQuality;
  if (entry.temporal) capabilities |= CompressionCaps_CanKeyFrame;
  return capabilities;
}

HRESULT CompressionSettingsPart::put_KeyFrameRate(LONG keyFrameRate) {
  if ((Capabilities() & CompressionCaps_CanKeyFrame) == 0) return E_NOTIMPL;
  EncoderSettings settings = filter_->Settings();
  settings.keyFrameRate = keyFrameRate < 0 ? -1 : keyFrameRate;
  return filter_->SetSettings(settings);
}

HRESULT CompressionSettingsPart::get_KeyFrameRate(LONG* keyFrameRate) {
  if (keyFrameRate == nullptr) return E_POINTER;
  if ((Capabilities() & CompressionCaps_CanKeyFrame) == 0) {
    *keyFrameRate = 1;  // every frame is a key frame
    return S_OK;
  }
  *keyFrameRate = filter_->Settings().keyFrameRate;
  return S_OK;
}

HRESULT CompressionSettingsPart::put_PFramesPerKeyFrame(LONG) {
  return E_NOTIMPL;  // no B-frames: every frame between key frames is a P-frame
}

HRESULT CompressionSettingsPart::get_PFramesPerKeyFrame(LONG*) {
  return E_NOTIMPL;
}

HRESULT CompressionSettingsPart::put_Quality(double quality) {
  if ((Capabilities() & CompressionCaps_CanQuality) == 0) return E_NOTIMPL;
  if (quality > 1.0) return E_INVALIDARG;
  EncoderSettings settings = filter_->Settings();
  settings.quality = quality < 0 ? -1.0 : quality;
  return filter_->SetSettings(settings);
}

HRESULT CompressionSettingsPart::get_Quality(double* quality) {
  if (quality == nullptr) return E_POINTER;
  if ((Capabilities() & CompressionCaps_CanQuality) == 0) return E_NOTIMPL;
  *quality = filter_->Settings().quality;
  return S_OK;
}

HRESULT CompressionSettingsPart::put_WindowSize(DWORDLONG) {
  return E_NOTIMPL;
}

HRESULT CompressionSettingsPart::get_WindowSize(DWORDLONG*) {
  return E_NOTIMPL;
}

HRESULT CompressionSettingsPart::GetInfo(LPOLESTR version, int* versionSize, LPOLESTR description,
                                         int* descriptionSize, LONG* defaultKeyFrameRate,
                                         LONG* defaultPFramesPerKey, double* defaultQuality,
                                         LONG* capabilities) {
  const EncoderEntry& entry = filter_->Entry();
  HRESULT hr = CopyText(std::string("libavcodec ") + LIBAVCODEC_IDENT, version, versionSize);
  if (FAILED(hr)) return hr;
  hr = CopyText(std::string(entry.friendlyName), description, descriptionSize);
  if (FAILED(hr)) return hr;
  const LONG caps = Capabilities();
  if (defaultKeyFrameRate != nullptr)
    *defaultKeyFrameRate = (caps & CompressionCaps_CanKeyFrame) != 0 ? kDefaultKeyFrameRate : 1;
  if (defaultPFramesPerKey != nullptr) *defaultPFramesPerKey = 0;
  if (defaultQuality != nullptr)
    *defaultQuality = (caps & CompressionCaps_CanQuality) != 0 ? kDefaultEncoderQuality : -1.0;
  if (capabilities != nullptr) *capabilities = caps;
  return S_OK;
}

HRESULT CompressionSettingsPart::OverrideKeyFrame(LONG) {
  return E_NOTIMPL;
}

HRESULT CompressionSettingsPart::OverrideFrameSize(LONG, LONG) {
  return E_NOTIMPL;
}

CompressorPersistPart::CompressorPersistPart(CompressorFilter* filter)
    : FilterPart(static_cast<IBaseFilter*>(filter)), filter_(filter) {}

HRESULT CompressorPersistPart::GetClassID(CLSID* clsid) {
  return filter_->GetClassID(clsid);
}

HRESULT CompressorPersistPart::IsDirty() {
  return filter_->IsDirty() ? S_OK : S_FALSE;
}

HRESULT CompressorPersistPart::Load(IStream* stream) {
  if (stream == nullptr) return E_POINTER;
  // The header says how long the settings are: settings of an older version are shorter, and
  // whatever follows them in the stream belongs to someone else.
  BYTE bytes[kEncoderSettingsBytes] = {};
  ULONG read = 0;
  if (FAILED(stream->Read(bytes, kEncoderSettingsHeaderBytes, &read)) ||
      read != kEncoderSettingsHeaderBytes) {
    return E_FAIL;
  }
  const std::size_t length = EncoderSettingsLength(bytes);
  if (length == 0) return E_FAIL;
  const auto rest = static_cast<ULONG>(length - kEncoderSettingsHeaderBytes);
  if (FAILED(stream->Read(bytes + kEncoderSettingsHeaderBytes, rest, &read)) || read != rest)
    return E_FAIL;
  const auto settings = ParseEncoderSettings(bytes, length);
  if (!settings) return E_FAIL;
  const HRESULT hr = filter_->SetSettings(*settings);
  if (FAILED(hr)) return hr;
  filter_->SetDirty(false);
  return S_OK;
}

HRESULT CompressorPersistPart::Save(IStream* stream, BOOL clearDirty) {
  if (stream == nullptr) return E_POINTER;
  const std::vector<BYTE> bytes = SerializeEncoderSettings(filter_->Settings());
  ULONG written = 0;
  if (FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written)) ||
      written != bytes.size()) {
    return STG_E_MEDIUMFULL;
  }
  if (clearDirty) filter_->SetDirty(false);
  return S_OK;
}

EncoderOptionsPart::EncoderOptionsPart(CompressorFilter* filter)
    : FilterPart(static_cast<IBaseFilter*>(filter)), filter_(filter) {}

HRESULT EncoderOptionsPart::GetTraits(EncoderTraits* traits) {
  if (traits == nullptr) return E_POINTER;
  const EncoderEntry& entry = filter_->Entry();
  traits->video = filter_->IsVideo();
  traits->lossless = entry.lossless;
  traits->temporal = entry.temporal;
  traits->presets = EncoderPresets(filter_->CodecName());
  return S_OK;
}

HRESULT EncoderOptionsPart::GetSettings(EncoderSettings* settings) {
  if (settings == nullptr) return E_POINTER;
  *settings = filter_->Settings();
  return S_OK;
}

HRESULT EncoderOptionsPart::SetSettings(const EncoderSettings& settings) {
  if (settings.preset >= static_cast<LONG>(EncoderPresets(filter_->CodecName()).size()))
    return E_INVALIDARG;
  return filter_->SetSettings(settings);
}

HRESULT CompressorPersistPart::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  size->QuadPart = kEncoderSettingsBytes;
  return S_OK;
}

}  // namespace devices
