#pragma once
// The format test both grabber filters apply to a proposed input type.

#include "dshow/MediaType.h"

// Passes when the type is video and:
// - a required subtype is given: the type has exactly that subtype (nothing else is looked at);
// - otherwise: the format block is a (large enough) VIDEOINFOHEADER or VIDEOINFOHEADER2, the
//   subtype is RGB24 or RGB32 (RGB565 and RGB555 too when allow16) with the matching bit count
//   and BI_RGB or BI_BITFIELDS compression, and the depth equals the remembered one. The first
//   depth that passes is remembered in *acceptedDepth (0 = none yet) and never changes after.
// Callers hold their filter lock: acceptedDepth belongs to the filter.
bool StrictFormatTest(const GUID* requiredSubtype, const AM_MEDIA_TYPE* mediaType, bool allow16,
                      WORD* acceptedDepth);

// Whether the format type is FORMAT_VideoInfo or FORMAT_VideoInfo2.
bool IsVideoInfoFormat(const AM_MEDIA_TYPE& mediaType);
