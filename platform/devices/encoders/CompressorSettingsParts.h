#pragma once
// The faces of a compressor's settings: IAMVideoCompression (quality and key-frame rate of a
// video compressor), IPersistStream (the settings' bytes, EncoderSettings.h) and IEncoderOptions
// (all of them, for the property page). All are parts of the filter: their IUnknown is the
// filter's.
// Threads: the application's thread.

#include "com/Stream.h"
#include "devices/capture/FilterPart.h"
#include "devices/encoders/EncoderOptions.h"
#include "dshow/CodecInterfaces.h"

namespace devices {

class CompressorFilter;

class CompressionSettingsPart : public FilterPart<IAMVideoCompression> {
 public:
  explicit CompressionSettingsPart(CompressorFilter* filter);

  HRESULT put_KeyFrameRate(LONG keyFrameRate) override;
  HRESULT get_KeyFrameRate(LONG* keyFrameRate) override;
  HRESULT put_PFramesPerKeyFrame(LONG pFramesPerKeyFrame) override;
  HRESULT get_PFramesPerKeyFrame(LONG* pFramesPerKeyFrame) override;
  HRESULT put_Quality(double quality) override;
  HRESULT get_Quality(double* quality) override;
  HRESULT put_WindowSize(DWORDLONG windowSize) override;
  HRESULT get_WindowSize(DWORDLONG* windowSize) override;
  HRESULT GetInfo(LPOLESTR version, int* versionSize, LPOLESTR description, int* descriptionSize,
                  LONG* defaultKeyFrameRate, LONG* defaultPFramesPerKey, double* defaultQuality,
                  LONG* capabilities) override;
  HRESULT OverrideKeyFrame(LONG frameNumber) override;
  HRESULT OverrideFrameSize(LONG frameNumber, LONG size) override;

 private:
  LONG Capabilities() const;

  CompressorFilter* const filter_;
};

class CompressorPersistPart : public FilterPart<IPersistStream> {
 public:
  explicit CompressorPersistPart(CompressorFilter* filter);

  HRESULT GetClassID(CLSID* clsid) override;
  HRESULT IsDirty() override;
  HRESULT Load(IStream* stream) override;
  HRESULT Save(IStream* stream, BOOL clearDirty) override;
  HRESULT GetSizeMax(ULARGE_INTEGER* size) override;

 private:
  CompressorFilter* const filter_;
};

class EncoderOptionsPart : public FilterPart<IEncoderOptions> {
 public:
  explicit EncoderOptionsPart(CompressorFilter* filter);

  HRESULT GetTraits(EncoderTraits* traits) override;
  HRESULT GetSettings(EncoderSettings* settings) override;
  HRESULT SetSettings(const EncoderSettings& settings) override;

 private:
  CompressorFilter* const filter_;
};

}  // namespace devices
