#pragma once
// The filter classes the graph may add on its own: converters (placed between two pins that do
// not connect directly: colour space converter, decoders, splitters) and renderers (for Render).
// Each class registers with a merit (higher is tried first; MERIT_DO_NOT_USE and below are never
// picked) and a test of the media types it takes. A class registered again replaces the old
// entry. The class itself is created through CoCreateInstance, so it must be a built-in class or
// an in-process server as well.
//
// The graph's file playback (RenderFile, AddSourceFilter) asks the file source factory for the
// source filter of a file; until one is set those calls answer E_NOTIMPL.
//
// Any thread; entries are copied out under a lock.

#include <functional>
#include <string>
#include <vector>

#include "dshow/FilterInterfaces.h"

inline constexpr DWORD MERIT_PREFERRED = 0x800000;
inline constexpr DWORD MERIT_NORMAL = 0x600000;
inline constexpr DWORD MERIT_UNLIKELY = 0x400000;
inline constexpr DWORD MERIT_DO_NOT_USE = 0x200000;

namespace dshow {

enum class FilterRole { kConverter, kRenderer };

struct FilterRegistration {
  CLSID clsid;
  // The name the filter gets when the graph adds it ("Color Space Converter").
  std::string name;
  DWORD merit = MERIT_NORMAL;
  FilterRole role = FilterRole::kConverter;
  // Whether the filter takes `from` on its input and can give `to` on its output. Either may
  // be null: not known (a pin that offers no types), or, for `to`, anything (a renderer is
  // asked with null). An empty function accepts everything.
  std::function<bool(const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE* to)> accepts;
};

// Creates the source filter for a file; VFW_E_UNKNOWN_FILE_TYPE and the like on failure.
using FileSourceFactory = std::function<HRESULT(const std::string& file, IBaseFilter** filter)>;

class FilterRegistry {
 public:
  static void Register(FilterRegistration registration);
  static void Unregister(REFCLSID clsid);
  // The usable classes of that role, highest merit first (equal merits in registration order).
  static std::vector<FilterRegistration> Candidates(FilterRole role);

  static void SetFileSourceFactory(FileSourceFactory factory);
  static FileSourceFactory FileSource();
};

}  // namespace dshow
