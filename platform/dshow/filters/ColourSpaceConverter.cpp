#include "dshow/filters/ColourSpaceConverter.h"

#include <algorithm>
#include <cstdlib>

#include "com/Diagnostics.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/MemAllocator.h"

namespace {

// What the output offers, best first: the cheapest to paint, then the smaller depths.
constexpr const GUID* kOutputSubtypes[] = {&MEDIASUBTYPE_RGB32, &MEDIASUBTYPE_RGB24,
                                           &MEDIASUBTYPE_RGB565, &MEDIASUBTYPE_RGB555,
                                           &MEDIASUBTYPE_YUY2};

bool IsVideoFormat(const AM_MEDIA_TYPE& type) {
  return type.majortype == MEDIATYPE_Video &&
         (type.formattype == FORMAT_VideoInfo || type.formattype == FORMAT_VideoInfo2) &&
         BitmapHeaderOf(type) != nullptr;
}

bool IsConvertibleInput(const AM_MEDIA_TYPE& type) {
  if (!IsVideoFormat(type) || !FrameConverter::CanRead(type.subtype)) return false;
  const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
  return header->biWidth > 0 && header->biHeight != 0;
}

// The same picture size in another writable subtype (RGB rows may turn top-down).
bool IsConversion(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) {
  if (!IsConvertibleInput(in) || !IsVideoFormat(out) || !FrameConverter::CanWrite(out.subtype)) {
    return false;
  }
  const BITMAPINFOHEADER& from = *BitmapHeaderOf(in);
  const BITMAPINFOHEADER& to = *BitmapHeaderOf(out);
  return from.biWidth == to.biWidth && std::abs(from.biHeight) == std::abs(to.biHeight);
}

std::optional<FrameFormat> FrameFormatOf(const AM_MEDIA_TYPE& type) {
  const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
  if (header == nullptr) return std::nullopt;
  return FrameFormat::FromHeader(type.subtype, *header);
}

}  // namespace

ColourSpaceConverter::ColourSpaceConverter() : CTransformFilter(CLSID_Colour) {}

bool ColourSpaceConverter::CanConvert(const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE* to) {
  if (from != nullptr && !IsConvertibleInput(*from)) return false;
  if (to == nullptr) return true;
  if (from != nullptr) return IsConversion(*from, *to);
  return IsVideoFormat(*to) && FrameConverter::CanWrite(to->subtype);
}

ColourSpaceConverter::~ColourSpaceConverter() = default;

HRESULT ColourSpaceConverter::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return IsConvertibleInput(*mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT ColourSpaceConverter::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  return IsConversion(*in, *out) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT ColourSpaceConverter::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  CTransformInputPin* input = InputPin();
  if (!input->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (position >= static_cast<int>(std::size(kOutputSubtypes))) return VFW_S_NO_MORE_ITEMS;
  const auto format = ReadVideoFormat(input->ConnectionType().Get());
  if (!format) return E_UNEXPECTED;
  // RGB rows bottom-up, as DIBs are; YUY2 is top-down whatever the sign says.
  auto type = MakeVideoMediaType(*kOutputSubtypes[position], format->width,
                                 std::abs(format->height), format->avgTimePerFrame);
  if (!type) return E_UNEXPECTED;
  *mediaType = std::move(*type);
  return S_OK;
}

HRESULT ColourSpaceConverter::DecideBufferSize(IMemAllocator* allocator,
                                               ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  const auto frame = FrameFormatOf(OutputPin()->ConnectionType().Get());
  if (!frame) return E_UNEXPECTED;
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max(wanted.cBuffers, LONG{2});
  wanted.cbBuffer =
      std::max(wanted.cbBuffer, static_cast<LONG>(FrameConverter::FrameBytes(*frame)));
  return SetAllocatorProperties(*allocator, wanted);
}

HRESULT ColourSpaceConverter::Configure() {
  const auto in = FrameFormatOf(InputPin()->CurrentMediaType().Get());
  const auto out = FrameFormatOf(OutputPin()->CurrentMediaType().Get());
  if (!in || !out || !converter_.Configure(*in, *out)) {
    diag::Warn("dshow", "colour space converter cannot convert " +
                            InputPin()->CurrentMediaType().Text() + " to " +
                            OutputPin()->CurrentMediaType().Text());
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  return S_OK;
}

HRESULT ColourSpaceConverter::StartStreaming() {
  if (!InputPin()->IsConnected() || !OutputPin()->IsConnected()) return S_OK;
  return Configure();
}

HRESULT ColourSpaceConverter::Transform(IMediaSample* in, IMediaSample* out) {
  // A sample that carries a new type has already changed the input pin's type.
  AM_MEDIA_TYPE* changed = nullptr;
  if (in->GetMediaType(&changed) == S_OK) {
    DeleteMediaType(changed);
    const HRESULT hr = Configure();
    if (FAILED(hr)) return hr;
  }
  if (!converter_.IsConfigured()) return VFW_E_WRONG_STATE;
  BYTE* source = nullptr;
  BYTE* target = nullptr;
  if (FAILED(in->GetPointer(&source)) || FAILED(out->GetPointer(&target))) return E_UNEXPECTED;
  const auto sourceLength = static_cast<size_t>(std::max(in->GetActualDataLength(), LONG{0}));
  const auto targetSize = static_cast<size_t>(std::max(out->GetSize(), LONG{0}));
  if (!converter_.Convert(source, sourceLength, target, targetSize)) {
    return S_FALSE;  // a short frame is dropped, not fatal
  }
  return out->SetActualDataLength(
      static_cast<LONG>(FrameConverter::FrameBytes(converter_.Output())));
}
