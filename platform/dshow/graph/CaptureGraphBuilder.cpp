#include "dshow/graph/CaptureGraphBuilder.h"

#include "com/Diagnostics.h"
#include "dshow/DeviceInterfaces.h"
#include "dshow/MuxInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/graph/CaptureFile.h"
#include "dshow/graph/PinQueries.h"
#include "dshow/graph/PinSearch.h"
#include "dshow/graph/UpstreamDeviceFilters.h"

namespace dshow {

HRESULT CaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph) {
  if (graph == nullptr) return E_POINTER;
  if (graph_) return E_UNEXPECTED;
  graph_ = graph;
  return S_OK;
}

HRESULT CaptureGraphBuilder::EnsureGraph() {
  if (graph_) return S_OK;
  return CoCreateInstance(CLSID_FilterGraph, &graph_);
}

HRESULT CaptureGraphBuilder::GetFiltergraph(IGraphBuilder** graph) {
  if (graph == nullptr) return E_POINTER;
  *graph = nullptr;
  const HRESULT hr = EnsureGraph();
  if (FAILED(hr)) return hr;
  return graph_.CopyTo(graph);
}

void CaptureGraphBuilder::AddUpstreamDeviceFilters(IBaseFilter* filter) {
  ComPtr<IUpstreamDeviceFilters> device;
  if (!graph_ || FAILED(filter->QueryInterface(IID_IUpstreamDeviceFilters,
                                               device.ReleaseAndGetVoidAddress()))) {
    return;
  }
  const HRESULT hr = device->AddUpstreamFilters(graph_.Get());
  // The search goes on without them: the device then simply has nothing upstream.
  if (FAILED(hr)) diag::Debug("dshow", "upstream device filters not added: ", HResultText(hr));
}

// ---- Pins and interfaces ---------------------------------------------------------------------

HRESULT CaptureGraphBuilder::FindPin(IUnknown* source, PIN_DIRECTION direction,
                                     const GUID* category, const GUID* type, BOOL unconnected,
                                     int index, IPin** pin) {
  if (source == nullptr || pin == nullptr) return E_POINTER;
  *pin = nullptr;
  const auto qualifies = [&](IPin* candidate) {
    return DirectionOf(candidate) == direction && !(unconnected && PeerOf(candidate)) &&
           PinMatches(candidate, category, type);
  };
  ComPtr<IPin> asPin;
  if (SUCCEEDED(source->QueryInterface(IID_IPin, asPin.ReleaseAndGetVoidAddress()))) {
    if (index != 0 || !qualifies(asPin.Get())) return E_FAIL;
    *pin = asPin.Detach();
    return S_OK;
  }
  ComPtr<IBaseFilter> filter;
  if (FAILED(source->QueryInterface(IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()))) {
    return E_NOINTERFACE;
  }
  int found = 0;
  for (auto& candidate : PinsOf(filter.Get())) {
    if (!qualifies(candidate.Get())) continue;
    if (found++ == index) {
      *pin = candidate.Detach();
      return S_OK;
    }
  }
  return E_FAIL;
}

HRESULT CaptureGraphBuilder::FindInterface(const GUID* category, const GUID* type,
                                           IBaseFilter* filter, REFIID riid, void** object) {
  if (filter == nullptr || object == nullptr) return E_POINTER;
  *object = nullptr;
  const bool upstreamOnly = category != nullptr && *category == LOOK_UPSTREAM_ONLY;
  const bool downstreamOnly = category != nullptr && *category == LOOK_DOWNSTREAM_ONLY;
  const GUID* pinCategory = upstreamOnly || downstreamOnly ? nullptr : category;
  const std::vector<ComPtr<IPin>> pins = PinsOf(filter);
  if (!upstreamOnly && !downstreamOnly) {
    if (SUCCEEDED(filter->QueryInterface(riid, object))) return S_OK;
    for (const auto& pin : pins) {
      if (PinMatches(pin.Get(), pinCategory, type) &&
          SUCCEEDED(pin->QueryInterface(riid, object))) {
        return S_OK;
      }
    }
  }
  if (!upstreamOnly) {
    std::vector<ComPtr<IPin>> outputs;
    for (const auto& pin : pins) {
      if (DirectionOf(pin.Get()) == PINDIR_OUTPUT && PinMatches(pin.Get(), pinCategory, type)) {
        outputs.push_back(pin);
      }
    }
    if (SUCCEEDED(QueryAlong(outputs, PINDIR_OUTPUT, riid, object))) return S_OK;
  }
  if (!downstreamOnly) {
    AddUpstreamDeviceFilters(filter);
    if (SUCCEEDED(QueryAlong(PinsOf(filter, PINDIR_INPUT), PINDIR_INPUT, riid, object))) {
      return S_OK;
    }
  }
  return E_NOINTERFACE;
}

// ---- Rendering -------------------------------------------------------------------------------

HRESULT CaptureGraphBuilder::SplitPreview(IBaseFilter* filter, const GUID* type,
                                          ComPtr<IPin>* preview) {
  ComPtr<IPin> capture;
  HRESULT hr = FindPin(filter, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, type, TRUE, 0,
                       capture.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  ComPtr<IBaseFilter> tee;
  hr = CoCreateInstance(CLSID_SmartTee, &tee);
  if (FAILED(hr)) return hr;
  hr = graph_->AddFilter(tee.Get(), "Smart Tee");
  if (FAILED(hr)) return hr;
  const ComPtr<IPin> teeInput = FirstFreePin(tee.Get(), PINDIR_INPUT);
  hr = teeInput ? graph_->Connect(capture.Get(), teeInput.Get()) : VFW_E_NOT_FOUND;
  // The tee's outputs are capture, then preview.
  const std::vector<ComPtr<IPin>> outputs = PinsOf(tee.Get(), PINDIR_OUTPUT);
  if (SUCCEEDED(hr) && outputs.size() < 2) hr = VFW_E_NOT_FOUND;
  if (FAILED(hr)) {
    (void)graph_->RemoveFilter(tee.Get());  // leaves the capture pin as it was
    return hr;
  }
  *preview = outputs[1];
  return VFW_S_NOPREVIEWPIN;
}

HRESULT CaptureGraphBuilder::StreamStart(const GUID* category, const GUID* type, IUnknown* source,
                                         ComPtr<IPin>* start) {
  if (SUCCEEDED(source->QueryInterface(IID_IPin, start->ReleaseAndGetVoidAddress()))) {
    if (DirectionOf(start->Get()) != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    return PeerOf(start->Get()) ? VFW_E_ALREADY_CONNECTED : S_OK;
  }
  ComPtr<IBaseFilter> filter;
  if (FAILED(source->QueryInterface(IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()))) {
    return E_NOINTERFACE;
  }
  AddUpstreamDeviceFilters(filter.Get());
  const HRESULT hr = FindPin(filter.Get(), PINDIR_OUTPUT, category, type, TRUE, 0,
                             start->ReleaseAndGetAddressOf());
  if (SUCCEEDED(hr)) return S_OK;
  if (category != nullptr && *category == PIN_CATEGORY_PREVIEW) {
    return SplitPreview(filter.Get(), type, start);
  }
  return hr;
}

HRESULT CaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                          IBaseFilter* compressor, IBaseFilter* renderer) {
  if (source == nullptr) return E_POINTER;
  HRESULT hr = EnsureGraph();
  if (FAILED(hr)) return hr;
  ComPtr<IPin> current;
  const HRESULT startResult = StreamStart(category, type, source, &current);
  if (FAILED(startResult)) return startResult;
  if (compressor != nullptr) {
    const ComPtr<IPin> input = FirstFreePin(compressor, PINDIR_INPUT);
    if (!input) return VFW_E_NOT_FOUND;
    hr = graph_->Connect(current.Get(), input.Get());
    if (FAILED(hr)) return hr;
    current = FirstFreePin(compressor, PINDIR_OUTPUT);
    if (!current) return renderer == nullptr ? startResult : VFW_E_NOT_FOUND;
  }
  if (renderer != nullptr) {
    const ComPtr<IPin> input = FirstFreePin(renderer, PINDIR_INPUT);
    if (!input) return VFW_E_NOT_FOUND;
    hr = graph_->Connect(current.Get(), input.Get());
  } else {
    hr = graph_->Render(current.Get());
  }
  if (FAILED(hr)) return hr;
  return hr == S_OK ? startResult : hr;
}

HRESULT CaptureGraphBuilder::SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux,
                                               IFileSinkFilter** sink) {
  if (type == nullptr || file == nullptr) return E_POINTER;
  if (mux != nullptr) *mux = nullptr;
  if (sink != nullptr) *sink = nullptr;
  HRESULT hr = EnsureGraph();
  if (FAILED(hr)) return hr;
  const CLSID muxClass = *type == MEDIASUBTYPE_Avi ? CLSID_AviDest : *type;
  ComPtr<IBaseFilter> multiplexer;
  hr = CoCreateInstance(muxClass, &multiplexer);
  if (FAILED(hr)) {
    diag::Warn("dshow", "no multiplexer for the output file: " + HResultText(hr));
    return hr;
  }
  hr = graph_->AddFilter(multiplexer.Get(), "Mux");
  if (FAILED(hr)) return hr;
  // A multiplexer that writes the file itself needs no file writer.
  ComPtr<IFileSinkFilter> fileSink = multiplexer.As<IFileSinkFilter>();
  if (!fileSink) {
    ComPtr<IBaseFilter> writer;
    hr = CoCreateInstance(CLSID_FileWriter, &writer);
    if (SUCCEEDED(hr)) hr = graph_->AddFilter(writer.Get(), "File writer");
    if (SUCCEEDED(hr)) hr = writer.As(&fileSink);
    if (SUCCEEDED(hr)) {
      const ComPtr<IPin> out = FirstFreePin(multiplexer.Get(), PINDIR_OUTPUT);
      const ComPtr<IPin> in = FirstFreePin(writer.Get(), PINDIR_INPUT);
      hr = out && in ? graph_->Connect(out.Get(), in.Get()) : VFW_E_NOT_FOUND;
    }
    if (FAILED(hr)) {
      diag::Warn("dshow", "no file writer for the output file: " + HResultText(hr));
      return hr;
    }
  }
  hr = fileSink->SetFileName(file, nullptr);
  if (FAILED(hr)) return hr;
  if (mux != nullptr) *mux = multiplexer.Detach();
  if (sink != nullptr) *sink = fileSink.Detach();
  return S_OK;
}

// ---- Stream control and files ----------------------------------------------------------------

HRESULT CaptureGraphBuilder::ControlStream(const GUID* category, const GUID* type,
                                           IBaseFilter* filter, REFERENCE_TIME* start,
                                           REFERENCE_TIME* stop, WORD startCookie,
                                           WORD stopCookie) {
  std::vector<ComPtr<IBaseFilter>> filters;
  if (filter != nullptr) {
    filters.emplace_back(filter);
  } else {
    if (!graph_) return E_UNEXPECTED;
    ComPtr<IEnumFilters> all;
    HRESULT hr = graph_->EnumFilters(all.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    IBaseFilter* next = nullptr;
    ULONG fetched = 0;
    while (all->Next(1, &next, &fetched) == S_OK)
      filters.push_back(ComPtr<IBaseFilter>::Adopt(next));
  }
  HRESULT result = E_FAIL;  // no pin of that kind offers stream control
  for (const auto& candidate : filters) {
    for (const auto& pin : PinsOf(candidate.Get(), PINDIR_OUTPUT)) {
      if (!PinMatches(pin.Get(), category, type)) continue;
      // The output itself, else the input it feeds: a multiplexer controls its inputs.
      ComPtr<IAMStreamControl> control;
      if (FAILED(pin.As(&control))) {
        const ComPtr<IPin> peer = PeerOf(pin.Get());
        if (!peer || FAILED(peer.As(&control))) continue;
      }
      HRESULT hr = control->StartAt(start, startCookie);
      if (SUCCEEDED(hr)) hr = control->StopAt(stop, FALSE, stopCookie);
      if (FAILED(hr)) return hr;
      result = S_OK;
    }
  }
  return result;
}

HRESULT CaptureGraphBuilder::AllocCapFile(LPCOLESTR file, DWORDLONG size) {
  if (file == nullptr) return E_POINTER;
  return AllocateCaptureFile(file, size);
}

HRESULT CaptureGraphBuilder::CopyCaptureFile(LPOLESTR oldFile, LPOLESTR newFile,
                                             int /*allowEscAbort*/,
                                             IAMCopyCaptureFileProgress* callback) {
  if (oldFile == nullptr || newFile == nullptr) return E_POINTER;
  return dshow::CopyCaptureFile(oldFile, newFile, callback);
}

}  // namespace dshow
