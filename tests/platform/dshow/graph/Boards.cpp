#include "Boards.h"

#include <algorithm>

#include "com/Com.h"
#include "dshow/Uuids.h"
#include "dshow/graph/PinQueries.h"

namespace dshow_test {
namespace {

constexpr CLSID kBoardClass = MakeGuid("8A41C0D3-2B7F-4E26-A9D8-51C3E7F06B2B");

}  // namespace

// ---- BoardPin --------------------------------------------------------------------------------

BoardPin::BoardPin(CBaseFilter* filter, std::string name, PIN_DIRECTION direction,
                   std::vector<GUID> majorTypes)
    : CBasePin(filter, std::move(name), direction), majorTypes_(std::move(majorTypes)) {}

HRESULT BoardPin::QueryPinInterface(REFIID riid, void** object) {
  if (riid == IMarker::iid && marked) {
    *object = static_cast<IMarker*>(this);
  } else if (riid == IID_IAMStreamControl && streamControl) {
    *object = static_cast<IAMStreamControl*>(this);
  } else {
    return CBasePin::QueryPinInterface(riid, object);
  }
  AddRef();
  return S_OK;
}

HRESULT BoardPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  return std::find(majorTypes_.begin(), majorTypes_.end(), mediaType->majortype) !=
                 majorTypes_.end()
             ? S_OK
             : S_FALSE;
}

HRESULT BoardPin::GetMediaType(int position, MediaType* mediaType) {
  if (position < 0 || position >= static_cast<int>(majorTypes_.size())) {
    return VFW_S_NO_MORE_ITEMS;
  }
  *mediaType =
      MediaType(majorTypes_[static_cast<std::size_t>(position)], MEDIASUBTYPE_None, FORMAT_None);
  return S_OK;
}

HRESULT BoardPin::StartAt(const REFERENCE_TIME* start, DWORD cookie) {
  streamInfo.tStart = start != nullptr ? *start : 0;
  streamInfo.dwStartCookie = cookie;
  streamInfo.dwFlags |= AM_STREAM_INFO_START_DEFINED;
  return S_OK;
}

HRESULT BoardPin::StopAt(const REFERENCE_TIME* stop, BOOL /*sendExtra*/, DWORD cookie) {
  streamInfo.tStop = stop != nullptr ? *stop : 0;
  streamInfo.dwStopCookie = cookie;
  streamInfo.dwFlags |= AM_STREAM_INFO_STOP_DEFINED;
  return S_OK;
}

HRESULT BoardPin::GetInfo(AM_STREAM_INFO* info) {
  *info = streamInfo;
  return S_OK;
}

// ---- Board -----------------------------------------------------------------------------------

Board::Board(std::string label, bool marked)
    : CBaseFilter(kBoardClass), label_(std::move(label)), marked_(marked) {}

Board::~Board() = default;

HRESULT Board::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IMarker::iid && marked_) {
    *object = static_cast<IMarker*>(this);
    AddRef();
    return S_OK;
  }
  return CBaseFilter::QueryFilterInterface(riid, object);
}

CBasePin* Board::GetPin(int index) {
  if (index < 0 || index >= GetPinCount()) return nullptr;
  return pins_[static_cast<std::size_t>(index)].get();
}

BoardPin* Board::AddPin(std::string name, PIN_DIRECTION direction, std::vector<GUID> majorTypes,
                        std::optional<GUID> category) {
  pins_.push_back(
      std::make_unique<BoardPin>(this, std::move(name), direction, std::move(majorTypes)));
  if (category) pins_.back()->SetCategory(*category);
  return pins_.back().get();
}

BoardPin* Board::Pin(const std::string& name) {
  for (auto& pin : pins_) {
    if (pin->Name() == name) return pin.get();
  }
  return nullptr;
}

// ---- CaptureDevice ---------------------------------------------------------------------------

CaptureDevice::CaptureDevice() : Board("device") {
  AddPin("Analog In", PINDIR_INPUT, {MEDIATYPE_AnalogVideo});
  AddPin("Capture", PINDIR_OUTPUT, {MEDIATYPE_Video}, PIN_CATEGORY_CAPTURE);
  AddPin("Audio", PINDIR_OUTPUT, {MEDIATYPE_Audio}, PIN_CATEGORY_CAPTURE);
  AddPin("Preview", PINDIR_OUTPUT, {MEDIATYPE_Video}, PIN_CATEGORY_PREVIEW);
  AddPin("VP", PINDIR_OUTPUT, {MEDIATYPE_Video}, PIN_CATEGORY_VIDEOPORT);
}

HRESULT CaptureDevice::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IUpstreamDeviceFilters) {
    *object = static_cast<IUpstreamDeviceFilters*>(this);
    AddRef();
    return S_OK;
  }
  return Board::QueryFilterInterface(riid, object);
}

HRESULT CaptureDevice::AddUpstreamFilters(IGraphBuilder* graph) {
  ++upstreamCalls;
  if (Pin("Analog In")->IsConnected()) return S_OK;
  auto video = MakeComObject<Board>("Video Crossbar", true);
  video->AddPin("Video Tuner In", PINDIR_INPUT, {MEDIATYPE_AnalogVideo});
  video->AddPin("Video Decoder Out", PINDIR_OUTPUT, {MEDIATYPE_AnalogVideo});
  auto audio = MakeComObject<Board>("Audio Crossbar", true);
  audio->AddPin("Tuner Out", PINDIR_OUTPUT, {MEDIATYPE_AnalogVideo});
  graph->AddFilter(video.Get(), "Video Crossbar");
  graph->AddFilter(audio.Get(), "Audio Crossbar");
  HRESULT hr = graph->ConnectDirect(video->Pin("Video Decoder Out"), Pin("Analog In"), nullptr);
  if (SUCCEEDED(hr)) {
    hr = graph->ConnectDirect(audio->Pin("Tuner Out"), video->Pin("Video Tuner In"), nullptr);
  }
  return hr;
}

// ---- FileMux ---------------------------------------------------------------------------------

FileMux::FileMux() : Board("mux") {
  AddPin("Input 01", PINDIR_INPUT, {MEDIATYPE_Video, MEDIATYPE_Audio});
}

HRESULT FileMux::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IFileSinkFilter) {
    *object = static_cast<IFileSinkFilter*>(this);
    AddRef();
    return S_OK;
  }
  return Board::QueryFilterInterface(riid, object);
}

HRESULT FileMux::SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* /*mediaType*/) {
  file = name;
  return S_OK;
}

HRESULT FileMux::GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* /*mediaType*/) {
  *name = CoTaskMemStrDup(file);
  return S_OK;
}

}  // namespace dshow_test
