#include "filters/common/FormatTest.h"

#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace {

// The bit count an accepted subtype must have; 0 for a subtype that is not accepted.
WORD DepthOfSubtype(const GUID& subtype, bool allow16) {
  if (subtype == MEDIASUBTYPE_RGB24) return 24;
  if (subtype == MEDIASUBTYPE_RGB32) return 32;
  if (allow16 && (subtype == MEDIASUBTYPE_RGB565 || subtype == MEDIASUBTYPE_RGB555)) return 16;
  return 0;
}

}  // namespace

bool IsVideoInfoFormat(const AM_MEDIA_TYPE& mediaType) {
  return mediaType.formattype == FORMAT_VideoInfo || mediaType.formattype == FORMAT_VideoInfo2;
}

bool StrictFormatTest(const GUID* requiredSubtype, const AM_MEDIA_TYPE* mediaType, bool allow16,
                      WORD* acceptedDepth) {
  if (mediaType == nullptr || mediaType->majortype != MEDIATYPE_Video) return false;
  if (requiredSubtype != nullptr) return mediaType->subtype == *requiredSubtype;
  if (!IsVideoInfoFormat(*mediaType) || mediaType->pbFormat == nullptr) return false;
  const WORD depth = DepthOfSubtype(mediaType->subtype, allow16);
  const BITMAPINFOHEADER* header = BitmapHeaderOf(*mediaType);
  if (depth == 0 || header == nullptr) return false;
  if (header->biCompression != BI_RGB && header->biCompression != BI_BITFIELDS) return false;
  if (header->biBitCount != depth) return false;
  if (*acceptedDepth == 0) {
    *acceptedDepth = depth;
    return true;
  }
  return header->biBitCount == *acceptedDepth;
}
