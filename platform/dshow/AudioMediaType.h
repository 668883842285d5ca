#pragma once
// Audio media types: PCM types and the WAVEFORMATEX inside them.

#include "dshow/Formats.h"
#include "dshow/MediaType.h"

// A complete MEDIATYPE_Audio / MEDIASUBTYPE_PCM type with a WAVEFORMATEX block.
MediaType MakePcmMediaType(DWORD samplesPerSec, WORD bitsPerSample, WORD channels);

// Sets the PCM fields and derives nBlockAlign and nAvgBytesPerSec from them.
void SetPcmFormat(WAVEFORMATEX& format, DWORD samplesPerSec, WORD bitsPerSample, WORD channels);

// The WAVEFORMATEX of a FORMAT_WaveFormatEx type whose block is large enough; null otherwise.
const WAVEFORMATEX* WaveFormatOf(const AM_MEDIA_TYPE& mediaType);
WAVEFORMATEX* WaveFormatOf(AM_MEDIA_TYPE& mediaType);
