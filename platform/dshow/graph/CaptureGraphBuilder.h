#pragma once
// The capture graph builder (CLSID_CaptureGraphBuilder2): finds pins by direction, category,
// major type and connection; finds interfaces on a filter, its pins, and the filters downstream
// and upstream of it; renders a capture filter's stream through a compressor to a renderer or
// multiplexer; sets up the file writing end; controls the flow of capture pins; preallocates and
// copies capture files.
//
// Before it searches upstream of a filter or renders from it, it lets a capture filter that
// offers IUpstreamDeviceFilters put its crossbar and tuner filters into the graph.
//
// Application thread.

#include "com/Com.h"
#include "dshow/GraphInterfaces.h"

namespace dshow {

class CaptureGraphBuilder final : public ComObject<CaptureGraphBuilder, ICaptureGraphBuilder2> {
 public:
  HRESULT SetFiltergraph(IGraphBuilder* graph) override;
  HRESULT GetFiltergraph(IGraphBuilder** graph) override;
  HRESULT SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux,
                            IFileSinkFilter** sink) override;
  HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID riid,
                        void** object) override;
  HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                       IBaseFilter* compressor, IBaseFilter* renderer) override;
  HRESULT ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter,
                        REFERENCE_TIME* start, REFERENCE_TIME* stop, WORD startCookie,
                        WORD stopCookie) override;
  HRESULT AllocCapFile(LPCOLESTR file, DWORDLONG size) override;
  HRESULT CopyCaptureFile(LPOLESTR oldFile, LPOLESTR newFile, int allowEscAbort,
                          IAMCopyCaptureFileProgress* callback) override;
  HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category, const GUID* type,
                  BOOL unconnected, int index, IPin** pin) override;

 private:
  // The graph, made on first use when none was set.
  HRESULT EnsureGraph();
  void AddUpstreamDeviceFilters(IBaseFilter* filter);
  // The output pin a stream of category/type starts at; VFW_S_NOPREVIEWPIN when a preview was
  // split off the capture pin through a Smart Tee.
  HRESULT StreamStart(const GUID* category, const GUID* type, IUnknown* source,
                      ComPtr<IPin>* start);
  HRESULT SplitPreview(IBaseFilter* filter, const GUID* type, ComPtr<IPin>* preview);

  ComPtr<IGraphBuilder> graph_;
};

}  // namespace dshow
