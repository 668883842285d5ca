#pragma once
// CBasePin: a pin of a CBaseFilter. It implements IPin: connection with media type negotiation,
// the connection's media type, pin information, the media type enumeration (from the virtual
// GetMediaType) and acceptance (the virtual CheckMediaType). A pin that has a category
// (SetCategory) also answers IKsPropertySet for AMPROPSETID_Pin / AMPROPERTY_PIN_CATEGORY.
//
// A pin lives inside its filter: AddRef and Release count on the filter, QueryInterface answers
// the pin's own interfaces (IPin, IKsPropertySet when categorised, then QueryPinInterface). A
// connected pin holds a reference on its peer, so connected filters keep each other alive until
// they are disconnected; the graph disconnects its filters when they leave it or it goes.
//
// Connection (output pins start it; application thread, filter stopped):
//   CheckConnect -> CheckMediaType -> SetMediaType -> peer's ReceiveConnection -> CompleteConnect;
// a failure after CheckConnect undoes the attempt with BreakConnect. Connect tries the type it
// is given when that type is complete; otherwise this pin's own types, then the peer's, each
// that fits the partial type it was given (if any).
//
// Locks: negotiation calls back and forth between two filters (an in-place filter asks the pin
// upstream whether it takes a type, and reconnects it), so no filter lock is held while a pin
// calls another filter: the base classes call the type and connection hooks (CheckMediaType,
// GetMediaType, SetMediaType, CheckConnect, CompleteConnect, BreakConnect) without the filter
// lock, and take it only to read or change their own connection. A hook that shares state with
// other threads takes the lock itself and calls no other filter while it holds it.
//
// Threads: connection and state calls come from the application's thread, one at a time. The
// connection's media type may also change on a streaming thread (a sample carrying a new type);
// readers on other threads use CurrentMediaType(), which copies under a lock.

#include <mutex>
#include <string>

#include "com/ComPtr.h"
#include "dshow/DeviceInterfaces.h"
#include "dshow/FilterInterfaces.h"
#include "dshow/base/BaseFilter.h"

class CBasePin : public IPin, public IKsPropertySet {
 public:
  CBasePin(CBaseFilter* filter, std::string name, PIN_DIRECTION direction);
  CBasePin(const CBasePin&) = delete;
  CBasePin& operator=(const CBasePin&) = delete;
  virtual ~CBasePin();

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return filter_->AddRef(); }
  ULONG Release() override { return filter_->Release(); }

  // IPin
  HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT Disconnect() override;
  HRESULT ConnectedTo(IPin** pin) override;
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mediaType) override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;
  HRESULT QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT QueryId(LPOLESTR* id) override;
  HRESULT QueryAccept(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT EnumMediaTypes(IEnumMediaTypes** enumerator) override;
  HRESULT QueryInternalConnections(IPin** pins, ULONG* count) override;
  HRESULT EndOfStream() override { return S_OK; }
  HRESULT BeginFlush() override { return S_OK; }
  HRESULT EndFlush() override { return S_OK; }
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // IKsPropertySet: the pin category, read only.
  HRESULT Set(REFGUID propertySet, DWORD id, void* instanceData, DWORD instanceLength,
              void* propertyData, DWORD dataLength) override;
  HRESULT Get(REFGUID propertySet, DWORD id, void* instanceData, DWORD instanceLength,
              void* propertyData, DWORD dataLength, DWORD* bytesReturned) override;
  HRESULT QuerySupported(REFGUID propertySet, DWORD id, DWORD* support) override;

  // ---- Hooks for derived pins ----------------------------------------------------------------

  // S_OK when the pin accepts the type (for a connection or a change of type); anything else
  // refuses it.
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) = 0;
  // The position-th type the pin prefers (from 0): S_OK, VFW_S_NO_MORE_ITEMS past the end.
  // The default offers none.
  virtual HRESULT GetMediaType(int position, MediaType* mediaType);
  // Stores the type of the connection being made. Derived pins call the base first.
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE& mediaType);
  // Whether the peer can be connected at all (direction, interfaces it must have).
  virtual HRESULT CheckConnect(IPin* pin);
  // Undoes what CheckConnect and CompleteConnect set up; called before the peer is forgotten.
  virtual HRESULT BreakConnect() { return S_OK; }
  // The connection is agreed on both sides; output pins decide their allocator here.
  virtual HRESULT CompleteConnect(IPin* /*receivePin*/) { return S_OK; }
  // The filter leaves Stopped (Active), enters Stopped (Inactive) or runs. Only connected pins
  // are told.
  virtual HRESULT Active() { return S_OK; }
  virtual HRESULT Inactive() { return S_OK; }
  virtual HRESULT Run(REFERENCE_TIME /*start*/) { return S_OK; }

  // ---- For the filter and derived classes ----------------------------------------------------

  CBaseFilter* Filter() const { return filter_; }
  const std::string& Name() const { return name_; }
  PIN_DIRECTION Direction() const { return direction_; }
  bool IsConnected() const { return connected_ != nullptr; }
  // The peer (not counted), or null.
  IPin* GetConnected() const { return connected_.Get(); }
  // The connection's type. Only on the application's thread while stopped, or on the streaming
  // thread; elsewhere use CurrentMediaType().
  const MediaType& ConnectionType() const { return mediaType_; }
  MediaType CurrentMediaType() const;
  // Makes the pin answer IKsPropertySet with this category. Call before the pin is used.
  void SetCategory(const GUID& category);
  REFERENCE_TIME SegmentStart() const { return segmentStart_; }
  REFERENCE_TIME SegmentStop() const { return segmentStop_; }
  double SegmentRate() const { return segmentRate_; }

 protected:
  // Further interfaces of the pin; must AddRef what it returns. The default answers none.
  virtual HRESULT QueryPinInterface(REFIID riid, void** object);
  // Replaces the connection's type from a streaming thread (a dynamic format change).
  void ChangeMediaType(const AM_MEDIA_TYPE& mediaType);

 private:
  HRESULT AgreeMediaType(IPin* receivePin, const AM_MEDIA_TYPE* mediaType);
  HRESULT TryTypesOf(IEnumMediaTypes* types, IPin* receivePin, const AM_MEDIA_TYPE* pattern);
  HRESULT AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE& mediaType);
  void SetConnected(IPin* peer);
  void ForgetConnection();

  CBaseFilter* const filter_;
  const std::string name_;
  const PIN_DIRECTION direction_;
  ComPtr<IPin> connected_;
  mutable std::mutex typeLock_;
  MediaType mediaType_;
  bool hasCategory_ = false;
  GUID category_;
  REFERENCE_TIME segmentStart_ = 0;
  REFERENCE_TIME segmentStop_ = MAX_TIME;
  double segmentRate_ = 1.0;
};
