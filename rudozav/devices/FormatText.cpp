#include "rudozav/devices/FormatText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "dshow/DShow.h"

namespace {

std::string Lower(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

int ParseInt(std::string_view text) {
  text = Trim(text);
  int value = 0;
  const char* last = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), last, value);
  return error == std::errc() && stop == last && !text.empty() ? value : 0;
}

int HexByte(std::string_view text, std::size_t at) {
  int value = 0;
  const auto [stop, error] = std::from_chars(text.data() + at, text.data() + at + 2, value, 16);
  return error == std::errc() && stop == text.data() + at + 2 ? value : 0;
}

}  // namespace

std::string SizeText(int width, int height) {
  char text[32];
  std::snprintf(text, sizeof text, "%4dx%d", width, height);
  return text;
}

TFrameSize ParseSizeText(std::string_view text) {
  const std::size_t x = text.find('x');
  if (x == std::string_view::npos || x == 0) return {};
  return {ParseInt(text.substr(0, x)), ParseInt(text.substr(x + 1))};
}

std::string DefaultSizeEntry(const std::string& sizeText) {
  return "   " + sizeText;
}

bool ContainsEntry(const std::vector<std::string>& list, std::string_view text) {
  const std::string key = Lower(text);
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string& entry) { return Lower(entry) == key; });
}

void AddSizeEntry(std::vector<std::string>& sizes, const std::string& entry) {
  if (ContainsEntry(sizes, entry)) return;
  // Compared ignoring case; a space sorts before a digit, so the leading spaces order the sizes
  // by width.
  const std::string key = Lower(entry);
  const auto place = std::find_if(sizes.begin(), sizes.end(),
                                  [&](const std::string& other) { return key < Lower(other); });
  sizes.insert(place, entry);
}

int DVResolutionOf(std::string_view entry) {
  const std::string_view name = Trim(entry);
  if (name == "dc") return DVRESOLUTION_DC;
  if (name == "quarter") return DVRESOLUTION_QUARTER;
  if (name == "full") return DVRESOLUTION_FULL;
  return DVRESOLUTION_HALF;
}

std::string SubtypeName(std::string_view guidText) {
  if (guidText.size() <= 14 || guidText[0] != '{' || guidText[9] != '-') return {};
  if (guidText.substr(10, 4) != "524F") {
    // The FourCC is the first group's bytes from the lowest up.
    std::string name;
    for (std::size_t at : {7u, 5u, 3u, 1u})
      name += static_cast<char>(HexByte(guidText, at));
    return name;
  }
  static constexpr std::pair<std::string_view, std::string_view> kRgbNames[] = {
      {"E436EB78", "RGB1"},   {"E436EB79", "RGB4"},  {"E436EB7A", "RGB8"},  {"E436EB7B", "RGB565"},
      {"E436EB7C", "RGB555"}, {"E436EB7D", "RGB24"}, {"E436EB7E", "RGB32"},
  };
  const std::string_view group = guidText.substr(1, 8);
  for (const auto& [first, name] : kRgbNames) {
    if (group == first) return std::string(name);
  }
  return "RGB";
}

bool IsDVSubtypeName(std::string_view name) {
  const std::string lower = Lower(name);
  return lower == "dvsd" || lower == "dvhd" || lower == "dvsl";
}

int FormatKind(const AM_MEDIA_TYPE& mediaType) {
  if (mediaType.majortype != MEDIATYPE_Video) return 0;
  if (mediaType.formattype == FORMAT_VideoInfo) return 1;
  if (mediaType.formattype == FORMAT_VideoInfo2) return 2;
  if (mediaType.formattype == FORMAT_DvInfo) return 3;
  return 0;
}

double FrameRateToApply(double frameRate) {
  const double rate = std::trunc(frameRate * 100.0) / 100.0;
  // A rate that truncates to 0 would give no frame interval at all.
  return std::isfinite(rate) && rate > 0 ? rate : 15.0;
}

REFERENCE_TIME FrameIntervalOf(double frameRate) {
  return static_cast<REFERENCE_TIME>(std::llround(10'000'000.0 / frameRate));
}

std::optional<double> FrameRateOfInterval(REFERENCE_TIME avgTimePerFrame) {
  if (avgTimePerFrame <= 0) return std::nullopt;
  return static_cast<double>(std::llround(100'000'000.0 / static_cast<double>(avgTimePerFrame)) /
                             10);
}

std::optional<TPcmFormat> PcmFormatOf(TAudioFormat format) {
  if (format <= af_default || format > af_44100_16b_2ch) return std::nullopt;
  // The sixteen formats run through four rates, each with 8 and 16 bits, each with 1 and 2
  // channels.
  static constexpr unsigned kRates[] = {8000, 11025, 22050, 44100};
  const int n = format - af_8000_8b_1ch;
  return TPcmFormat{kRates[n / 4], (n / 2) % 2 == 0 ? 8u : 16u, n % 2 == 0 ? 1u : 2u};
}
