#pragma once
// Texts and numbers of video and audio formats: the entries of the size and subtype lists, the
// display names of subtypes, the kind of a media type's format block, frame rates and PCM
// formats. Pure functions.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dshow/DShowTypes.h"
#include "rudozav/RudOzav.h"

struct AM_MEDIA_TYPE;

// "640x480" with the width right-aligned to four places by spaces (" 640x480").
std::string SizeText(int width, int height);
// Width and height of a size entry; both 0 when the text has no "x" after its first character,
// each 0 when its side is not an integer.
struct TFrameSize {
  int Width = 0;
  int Height = 0;
};
TFrameSize ParseSizeText(std::string_view text);

// The entry that stands for the device's default size: three more spaces before SizeText, so that
// it sorts first.
std::string DefaultSizeEntry(const std::string& sizeText);
// Inserts entry in the list's sorted place unless an equal entry (ignoring case) is there.
void AddSizeEntry(std::vector<std::string>& sizes, const std::string& entry);
// Whether an entry equal to text (ignoring case) is in the list.
bool ContainsEntry(const std::vector<std::string>& list, std::string_view text);

// The size list of a DV device: the decoder's resolutions, the first being the default.
inline const std::array<std::string, 5> kDVSizeEntries{"    half", "   dc", "  quarter", " half",
                                                       "full"};
// The DV decoder's display resolution for a size entry (DVRESOLUTION_*).
int DVResolutionOf(std::string_view entry);

// The display name of a subtype's GUID text: the FourCC, an RGB name, or empty.
std::string SubtypeName(std::string_view guidText);
// Whether the subtype's name is a DV one (dvsd, dvhd, dvsl, in any case).
bool IsDVSubtypeName(std::string_view name);

// 0: not video or an unknown format; 1 VideoInfo; 2 VideoInfo2; 3 DvInfo.
int FormatKind(const AM_MEDIA_TYPE& mediaType);

// The rate the device is asked for: truncated to two decimals; 15 for a rate that is not a
// positive finite number after truncation.
double FrameRateToApply(double frameRate);
// The frame interval in 100-ns units for a rate.
REFERENCE_TIME FrameIntervalOf(double frameRate);
// Whole frames per second of a frame interval; nullopt for an interval of 0 or less.
std::optional<double> FrameRateOfInterval(REFERENCE_TIME avgTimePerFrame);

// The PCM format an audio format setting asks for; nullopt for af_default.
struct TPcmFormat {
  unsigned SamplesPerSec = 0;
  unsigned BitsPerSample = 0;
  unsigned Channels = 0;
};
std::optional<TPcmFormat> PcmFormatOf(TAudioFormat format);
