#pragma once
// Filters made of plain pins, for the capture graph builder's tests: pins with a direction,
// categories and media types, connected without samples (like a crossbar to a capture filter),
// and a marker interface that a filter or pin may answer, so that a test can see where a search
// found it.

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dshow/DeviceInterfaces.h"
#include "dshow/MuxInterfaces.h"
#include "dshow/base/BasePin.h"
#include "dshow/graph/UpstreamDeviceFilters.h"

namespace dshow_test {

struct IMarker : IUnknown {
  static constexpr IID iid = MakeGuid("8A41C0D3-2B7F-4E26-A9D8-51C3E7F06B2A");
  virtual std::string Label() = 0;
};

class BoardPin : public CBasePin, public IMarker, public IAMStreamControl {
 public:
  BoardPin(CBaseFilter* filter, std::string name, PIN_DIRECTION direction,
           std::vector<GUID> majorTypes);

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBasePin::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBasePin::AddRef(); }
  ULONG Release() override { return CBasePin::Release(); }

  // Any type of one of the pin's major types.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  std::string Label() override { return Name(); }

  HRESULT StartAt(const REFERENCE_TIME* start, DWORD cookie) override;
  HRESULT StopAt(const REFERENCE_TIME* stop, BOOL sendExtra, DWORD cookie) override;
  HRESULT GetInfo(AM_STREAM_INFO* info) override;

  bool marked = false;
  bool streamControl = false;
  AM_STREAM_INFO streamInfo;

 protected:
  HRESULT QueryPinInterface(REFIID riid, void** object) override;

 private:
  std::vector<GUID> majorTypes_;
};

class Board : public CBaseFilter, public IMarker {
 public:
  explicit Board(std::string label, bool marked = false);

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBaseFilter::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBaseFilter::AddRef(); }
  ULONG Release() override { return CBaseFilter::Release(); }

  int GetPinCount() override { return static_cast<int>(pins_.size()); }
  CBasePin* GetPin(int index) override;
  std::string Label() override { return label_; }
  IBaseFilter* AsFilter() { return this; }

  BoardPin* AddPin(std::string name, PIN_DIRECTION direction, std::vector<GUID> majorTypes,
                   std::optional<GUID> category = std::nullopt);
  BoardPin* Pin(const std::string& name);

 protected:
  ~Board() override;
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  std::string label_;
  bool marked_;
  std::vector<std::unique_ptr<BoardPin>> pins_;
};

// A capture device whose video crossbar (and the audio crossbar before it) are filters of their
// own, which it adds upstream of its analog input when the builder asks.
class CaptureDevice : public Board, public IUpstreamDeviceFilters {
 public:
  CaptureDevice();

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return Board::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return Board::AddRef(); }
  ULONG Release() override { return Board::Release(); }

  HRESULT AddUpstreamFilters(IGraphBuilder* graph) override;
  std::atomic<int> upstreamCalls{0};

 protected:
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;
};

// A multiplexer that writes its file itself.
class FileMux : public Board, public IFileSinkFilter {
 public:
  FileMux();
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return Board::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return Board::AddRef(); }
  ULONG Release() override { return Board::Release(); }
  HRESULT SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mediaType) override;
  std::string file;

 protected:
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;
};

}  // namespace dshow_test
