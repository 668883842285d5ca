#include "dshow/filters/MediaFileSource.h"

#include <algorithm>

#include "com/Com.h"
#include "com/Diagnostics.h"
#include "dshow/Uuids.h"

namespace {

constexpr DWORD kNoCapabilities = 0;

}  // namespace

MediaFileSource::MediaFileSource() : CSource(CLSID_MediaFileSource) {}

MediaFileSource::~MediaFileSource() = default;

HRESULT MediaFileSource::Create(const std::string& file, IBaseFilter** filter) {
  if (filter == nullptr) return E_POINTER;
  *filter = nullptr;
  auto source = MakeComObject<MediaFileSource>();
  const HRESULT hr = source->Load(file.c_str(), nullptr);
  if (FAILED(hr)) return hr;
  *filter = static_cast<IBaseFilter*>(source.Detach());
  return S_OK;
}

HRESULT MediaFileSource::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IFileSourceFilter) {
    *object = static_cast<IFileSourceFilter*>(this);
  } else if (riid == IID_IMediaSeeking) {
    *object = static_cast<IMediaSeeking*>(this);
  } else {
    return CSource::QueryFilterInterface(riid, object);
  }
  AddRef();
  return S_OK;
}

// ---- IFileSourceFilter -----------------------------------------------------------------------

HRESULT MediaFileSource::Load(LPCOLESTR file, const AM_MEDIA_TYPE* /*mediaType*/) {
  if (file == nullptr) return E_POINTER;
  if (*file == '\0') return E_INVALIDARG;
  std::lock_guard lock(FilterLock());
  if (!file_.empty()) return E_UNEXPECTED;  // one file per filter
  HRESULT hr = S_OK;
  auto probe = dshow::MediaFileReader::Open(file, &hr);
  if (!probe) {
    diag::Debug("dshow", "no media in ", file, ": ", HResultText(hr));
    return hr;
  }
  // Pictures first, then sound: renderers and multiplexers see the video stream as the first.
  std::vector<dshow::MediaStreamInfo> streams = probe->Streams();
  std::stable_partition(streams.begin(), streams.end(), [](const auto& s) { return s.video; });
  REFERENCE_TIME frameInterval = 0;
  for (const auto& stream : streams) {
    if (stream.video && stream.frameInterval > 0) {
      frameInterval = stream.frameInterval;
      break;
    }
  }
  int videos = 0;
  int sounds = 0;
  for (const auto& stream : streams) {
    // Each pin reads through a demuxer of its own; the probing one serves the first pin.
    std::unique_ptr<dshow::MediaFileReader> reader =
        probe ? std::move(probe) : dshow::MediaFileReader::Open(file, &hr);
    if (!reader) return hr;
    const int number = stream.video ? ++videos : ++sounds;
    std::string name = stream.video ? "Video" : "Audio";
    if (number > 1) name += " " + std::to_string(number);
    const REFERENCE_TIME duration = stream.duration > 0 ? stream.duration : reader->Duration();
    AddPin(std::make_unique<MediaFileStream>(this, std::move(name), std::move(reader), stream,
                                             duration, frameInterval));
  }
  file_ = file;
  return S_OK;
}

HRESULT MediaFileSource::GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mediaType) {
  if (file == nullptr) return E_POINTER;
  std::lock_guard lock(FilterLock());
  *file = nullptr;
  if (file_.empty()) return E_FAIL;
  *file = CoTaskMemStrDup(file_);
  if (mediaType != nullptr) {
    *mediaType = AM_MEDIA_TYPE{};
    mediaType->majortype = MEDIATYPE_Stream;
  }
  return *file != nullptr ? S_OK : E_OUTOFMEMORY;
}

// ---- IMediaSeeking ---------------------------------------------------------------------------

MediaFileStream* MediaFileSource::First() {
  return GetPinCount() > 0 ? static_cast<MediaFileStream*>(StreamPin(0)) : nullptr;
}

HRESULT MediaFileSource::GetCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  MediaFileStream* first = First();
  if (first == nullptr) {
    *capabilities = kNoCapabilities;
    return E_NOTIMPL;  // nothing loaded: nothing to seek
  }
  return first->GetCapabilities(capabilities);
}

HRESULT MediaFileSource::CheckCapabilities(DWORD* capabilities) {
  MediaFileStream* first = First();
  return first != nullptr ? first->CheckCapabilities(capabilities) : E_NOTIMPL;
}

HRESULT MediaFileSource::IsFormatSupported(const GUID* format) {
  MediaFileStream* first = First();
  return first != nullptr ? first->IsFormatSupported(format) : E_NOTIMPL;
}

HRESULT MediaFileSource::QueryPreferredFormat(GUID* format) {
  if (format == nullptr) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

HRESULT MediaFileSource::GetTimeFormat(GUID* format) {
  MediaFileStream* first = First();
  return first != nullptr ? first->GetTimeFormat(format) : E_NOTIMPL;
}

HRESULT MediaFileSource::IsUsingTimeFormat(const GUID* format) {
  MediaFileStream* first = First();
  return first != nullptr ? first->IsUsingTimeFormat(format) : E_NOTIMPL;
}

HRESULT MediaFileSource::SetTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  if (First() == nullptr) return E_NOTIMPL;
  if (First()->IsFormatSupported(format) != S_OK) return E_INVALIDARG;
  for (int i = 0; i < GetPinCount(); ++i) {
    const HRESULT hr = static_cast<MediaFileStream*>(StreamPin(i))->SetTimeFormat(format);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT MediaFileSource::GetDuration(LONGLONG* duration) {
  if (duration == nullptr) return E_POINTER;
  if (First() == nullptr) return E_NOTIMPL;
  LONGLONG longest = 0;
  for (int i = 0; i < GetPinCount(); ++i) {
    LONGLONG one = 0;
    if (SUCCEEDED(static_cast<MediaFileStream*>(StreamPin(i))->GetDuration(&one)))
      longest = std::max(longest, one);
  }
  *duration = longest;
  return S_OK;
}

HRESULT MediaFileSource::GetStopPosition(LONGLONG* stop) {
  MediaFileStream* first = First();
  return first != nullptr ? first->GetStopPosition(stop) : E_NOTIMPL;
}

HRESULT MediaFileSource::GetCurrentPosition(LONGLONG* current) {
  MediaFileStream* first = First();
  return first != nullptr ? first->GetCurrentPosition(current) : E_NOTIMPL;
}

HRESULT MediaFileSource::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                           LONGLONG source, const GUID* sourceFormat) {
  MediaFileStream* first = First();
  return first != nullptr ? first->ConvertTimeFormat(target, targetFormat, source, sourceFormat)
                          : E_NOTIMPL;
}

HRESULT MediaFileSource::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                      DWORD stopFlags) {
  if (First() == nullptr) return E_NOTIMPL;
  // Every pin starts from the same values; the first one's answer is handed back.
  const LONGLONG currentIn = current != nullptr ? *current : 0;
  const LONGLONG stopIn = stop != nullptr ? *stop : 0;
  HRESULT result = S_OK;
  for (int i = GetPinCount() - 1; i >= 0; --i) {
    if (current != nullptr) *current = currentIn;
    if (stop != nullptr) *stop = stopIn;
    const HRESULT hr = static_cast<MediaFileStream*>(StreamPin(i))
                           ->SetPositions(current, currentFlags, stop, stopFlags);
    if (FAILED(hr)) result = hr;
  }
  return result;
}

HRESULT MediaFileSource::GetPositions(LONGLONG* current, LONGLONG* stop) {
  MediaFileStream* first = First();
  return first != nullptr ? first->GetPositions(current, stop) : E_NOTIMPL;
}

HRESULT MediaFileSource::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  MediaFileStream* first = First();
  return first != nullptr ? first->GetAvailable(earliest, latest) : E_NOTIMPL;
}

HRESULT MediaFileSource::SetRate(double rate) {
  if (First() == nullptr) return E_NOTIMPL;
  for (int i = 0; i < GetPinCount(); ++i) {
    const HRESULT hr = static_cast<MediaFileStream*>(StreamPin(i))->SetRate(rate);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT MediaFileSource::GetRate(double* rate) {
  MediaFileStream* first = First();
  return first != nullptr ? first->GetRate(rate) : E_NOTIMPL;
}

HRESULT MediaFileSource::GetPreroll(LONGLONG* preroll) {
  if (preroll == nullptr) return E_POINTER;
  *preroll = 0;
  return S_OK;
}
