#include "filters/trnfgrbr/HalfSizeDeinterlacer.h"

#include <cstring>

#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "filters/common/FormatTest.h"
#include "filters/common/GrabberClasses.h"

CHalfSizeDeinterlacer::CHalfSizeDeinterlacer() : CTransformFilter(CLSID_TrnfGrbr) {}

HRESULT CHalfSizeDeinterlacer::QueryInterface(REFIID riid, void** object) {
  return CTransformFilter::QueryInterface(riid, object);
}

HRESULT CHalfSizeDeinterlacer::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IGrabberControl) {
    *object = static_cast<IGrabberControl*>(this);
    AddRef();
    return S_OK;
  }
  return CTransformFilter::QueryFilterInterface(riid, object);
}

HRESULT CHalfSizeDeinterlacer::GetControlRecord(TGrabberControl** record) {
  if (record == nullptr) return E_POINTER;
  std::lock_guard lock(FilterLock());
  *record = &record_;
  return S_OK;
}

HRESULT CHalfSizeDeinterlacer::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  std::lock_guard lock(FilterLock());
  if (mediaType == nullptr || !IsVideoInfoFormat(*mediaType)) return VFW_E_TYPE_NOT_ACCEPTED;
  return StrictFormatTest(record_.RequiredSubtype, mediaType, false, &bitDepth_)
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CHalfSizeDeinterlacer::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  const HRESULT hr = CheckInputType(in);
  if (FAILED(hr)) return hr;
  return CheckOutputType(in, out);
}

// The output must be the half-size picture of the input at the same depth: the walk writes
// exactly that many bytes into each output buffer.
HRESULT CHalfSizeDeinterlacer::CheckOutputType(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  if (out == nullptr || out->majortype != MEDIATYPE_Video || !IsVideoInfoFormat(*out)) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  std::lock_guard lock(FilterLock());
  const std::optional<InputFormat> input = ReadInputFormat(*in);
  const BITMAPINFOHEADER* header = BitmapHeaderOf(*out);
  if (!input || header == nullptr) return VFW_E_TYPE_NOT_ACCEPTED;
  const HalfSizeGeometry& geometry = input->geometry;
  const GUID& subtype = geometry.depth == 24 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_RGB32;
  const LONG height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  const bool fits = out->subtype == subtype && header->biBitCount == geometry.depth &&
                    header->biWidth == geometry.outWidth && height == geometry.outHeight &&
                    (header->biCompression == BI_RGB || header->biCompression == BI_BITFIELDS);
  return fits ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

std::optional<CHalfSizeDeinterlacer::InputFormat> CHalfSizeDeinterlacer::ReadInputFormat(
    const AM_MEDIA_TYPE& mediaType) const {
  const BITMAPINFOHEADER* header = BitmapHeaderOf(mediaType);
  if (header == nullptr || (bitDepth_ != 24 && bitDepth_ != 32)) return std::nullopt;
  InputFormat format;
  format.geometry = MakeHalfSizeGeometry(header->biWidth, header->biHeight, bitDepth_);
  format.videoInfo2 = mediaType.formattype == FORMAT_VideoInfo2;
  format.planes = header->biPlanes;
  format.compression = header->biCompression;
  format.xPelsPerMeter = header->biXPelsPerMeter;
  format.yPelsPerMeter = header->biYPelsPerMeter;
  format.clrUsed = header->biClrUsed;
  format.clrImportant = header->biClrImportant;
  format.avgTimePerFrame =
      format.videoInfo2
          ? reinterpret_cast<const VIDEOINFOHEADER2*>(mediaType.pbFormat)->AvgTimePerFrame
          : reinterpret_cast<const VIDEOINFOHEADER*>(mediaType.pbFormat)->AvgTimePerFrame;
  return format;
}

MediaType CHalfSizeDeinterlacer::OutputType(const InputFormat& input, bool videoInfo2) const {
  const HalfSizeGeometry& geometry = input.geometry;
  MediaType type(MEDIATYPE_Video, geometry.depth == 24 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_RGB32,
                 videoInfo2 ? FORMAT_VideoInfo2 : FORMAT_VideoInfo);
  BITMAPINFOHEADER* header = nullptr;
  if (videoInfo2) {
    auto* format = reinterpret_cast<VIDEOINFOHEADER2*>(type.AllocFormat(sizeof(VIDEOINFOHEADER2)));
    if (format == nullptr) return MediaType();
    format->AvgTimePerFrame = input.avgTimePerFrame;
    header = &format->bmiHeader;
  } else {
    auto* format = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormat(sizeof(VIDEOINFOHEADER)));
    if (format == nullptr) return MediaType();
    format->AvgTimePerFrame = input.avgTimePerFrame;
    header = &format->bmiHeader;
  }
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = geometry.outWidth;
  header->biHeight = geometry.outHeight;
  header->biPlanes = input.planes;
  header->biBitCount = geometry.depth;
  header->biCompression = input.compression;
  header->biSizeImage = geometry.OutputBytes();
  header->biXPelsPerMeter = input.xPelsPerMeter;
  header->biYPelsPerMeter = input.yPelsPerMeter;
  header->biClrUsed = input.clrUsed;
  header->biClrImportant = input.clrImportant;
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = header->biSizeImage;
  return type;
}

HRESULT CHalfSizeDeinterlacer::GetMediaType(int position, MediaType* mediaType) {
  if (position < 0) return E_INVALIDARG;
  if (mediaType == nullptr) return E_POINTER;
  if (!InputPin()->IsConnected()) return E_UNEXPECTED;
  if (position > 1) return VFW_S_NO_MORE_ITEMS;
  std::lock_guard lock(FilterLock());
  const std::optional<InputFormat> input = ReadInputFormat(InputPin()->ConnectionType().Get());
  if (!input) return E_UNEXPECTED;
  *mediaType = OutputType(*input, false);
  return mediaType->IsEmpty() ? E_OUTOFMEMORY : S_OK;
}

HRESULT CHalfSizeDeinterlacer::SetMediaType(PIN_DIRECTION direction,
                                            const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  std::lock_guard lock(FilterLock());
  if (direction == PINDIR_INPUT) {
    if (!IsVideoInfoFormat(*mediaType)) return E_FAIL;
    const std::optional<InputFormat> input = ReadInputFormat(*mediaType);
    if (!input) return E_FAIL;
    input_ = *input;
    return S_OK;
  }
  // The output's type passed CheckTransform: it is the half-size picture of the input.
  return direction == PINDIR_OUTPUT ? S_OK : E_FAIL;
}

HRESULT CHalfSizeDeinterlacer::DecideBufferSize(IMemAllocator* allocator,
                                                ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  if (!InputPin()->IsConnected() || !OutputPin()->IsConnected()) return E_UNEXPECTED;
  request->cBuffers = 1;
  request->cbBuffer = static_cast<LONG>(OutputPin()->ConnectionType()->lSampleSize);
  if (request->cbBuffer <= 0) request->cbBuffer = static_cast<LONG>(input_.geometry.OutputBytes());
  ALLOCATOR_PROPERTIES actual;
  const HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cBuffers < request->cBuffers || actual.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

HRESULT CHalfSizeDeinterlacer::CopySampleProperties(IMediaSample* in, IMediaSample* out) {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  const HRESULT times = in->GetTime(&start, &stop);
  if (times == S_OK) {
    (void)out->SetTime(&start, &stop);  // our own output samples take any time
  } else if (times == VFW_S_NO_STOP_TIME) {
    (void)out->SetTime(&start, nullptr);
  }
  LONGLONG mediaStart = 0;
  LONGLONG mediaStop = 0;
  if (in->GetMediaTime(&mediaStart, &mediaStop) == S_OK) {
    (void)out->SetMediaTime(&mediaStart, &mediaStop);
  }
  // Each flag is S_OK (set) or S_FALSE (clear); anything else is a broken sample.
  const auto flag = [](HRESULT answer, BOOL* value) {
    if (answer != S_OK && answer != S_FALSE) return false;
    *value = answer == S_OK ? TRUE : FALSE;
    return true;
  };
  BOOL syncPoint = FALSE;
  BOOL preroll = FALSE;
  BOOL discontinuity = FALSE;
  if (!flag(in->IsSyncPoint(), &syncPoint)) return E_UNEXPECTED;
  (void)out->SetSyncPoint(syncPoint);
  // A changed input type is not passed on: the output stays the half-size picture it was
  // connected with, and a type describing the input would misdescribe it.
  if (!flag(in->IsPreroll(), &preroll)) return E_UNEXPECTED;
  (void)out->SetPreroll(preroll);
  if (!flag(in->IsDiscontinuity(), &discontinuity)) return E_UNEXPECTED;
  (void)out->SetDiscontinuity(discontinuity);
  return S_OK;
}

HRESULT CHalfSizeDeinterlacer::Transform(IMediaSample* in, IMediaSample* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  HRESULT hr = CopySampleProperties(in, out);
  if (FAILED(hr)) return hr;
  const HalfSizeGeometry& geometry = input_.geometry;
  // The output carries the half-size picture: its length is that picture's, not the input's.
  hr = out->SetActualDataLength(static_cast<LONG>(geometry.OutputBytes()));
  if (FAILED(hr)) return hr;
  if (record_.Mode == 0) return S_OK;
  BYTE* from = nullptr;
  BYTE* to = nullptr;
  if (FAILED(in->GetPointer(&from)) || FAILED(out->GetPointer(&to))) return E_UNEXPECTED;
  // A short input (or output) buffer would be walked past its end: leave the picture out.
  if (in->GetActualDataLength() < static_cast<LONG>(geometry.InputBytes()) ||
      out->GetSize() < static_cast<LONG>(geometry.OutputBytes())) {
    return S_OK;
  }
  WalkHalfSize(geometry, from, to, columnPhase_);
  return S_OK;
}
