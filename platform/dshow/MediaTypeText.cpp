// The diagnostic text form of a media type.

#include <cstdio>
#include <string>

#include "dshow/AudioMediaType.h"
#include "dshow/DShowTypes.h"
#include "dshow/MediaType.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace {

std::string MajorTypeText(const GUID& majortype) {
  if (majortype == MEDIATYPE_Video) return "Video";
  if (majortype == MEDIATYPE_Audio) return "Audio";
  if (majortype == MEDIATYPE_Interleaved) return "Interleaved";
  if (majortype == MEDIATYPE_Stream) return "Stream";
  if (majortype == MEDIATYPE_Text) return "Text";
  if (majortype == GUID_NULL) return "(any)";
  return StringFromGUID(majortype);
}

std::string FormatTypeText(const GUID& formattype) {
  if (formattype == FORMAT_VideoInfo) return "VideoInfo";
  if (formattype == FORMAT_VideoInfo2) return "VideoInfo2";
  if (formattype == FORMAT_WaveFormatEx) return "WaveFormatEx";
  if (formattype == FORMAT_DvInfo) return "DvInfo";
  if (formattype == FORMAT_None) return "None";
  if (formattype == GUID_NULL) return "(any)";
  return StringFromGUID(formattype);
}

std::string VideoDetails(const VideoFormatInfo& video) {
  char text[96];
  std::snprintf(text, sizeof(text), " %dx%d %ubit", static_cast<int>(video.width),
                static_cast<int>(video.height), static_cast<unsigned>(video.bitCount));
  std::string result = text;
  if (video.avgTimePerFrame > 0) {
    std::snprintf(
        text, sizeof(text), " %.2ffps",
        static_cast<double>(kUnitsPerSecond) / static_cast<double>(video.avgTimePerFrame));
    result += text;
  }
  return result;
}

std::string AudioDetails(const WAVEFORMATEX& audio) {
  char text[96];
  std::snprintf(text, sizeof(text), " %uHz %ubit %uch", static_cast<unsigned>(audio.nSamplesPerSec),
                static_cast<unsigned>(audio.wBitsPerSample),
                static_cast<unsigned>(audio.nChannels));
  return text;
}

}  // namespace

std::string MediaTypeText(const AM_MEDIA_TYPE& mediaType) {
  std::string text = MajorTypeText(mediaType.majortype);
  text += ' ';
  text += mediaType.subtype == GUID_NULL ? "(any)" : SubtypeText(mediaType.subtype);
  if (const auto video = ReadVideoFormat(mediaType)) text += VideoDetails(*video);
  if (const WAVEFORMATEX* audio = WaveFormatOf(mediaType)) text += AudioDetails(*audio);
  text += ' ';
  text += FormatTypeText(mediaType.formattype);
  return text;
}
