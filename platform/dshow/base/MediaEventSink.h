#pragma once
// How filters tell their graph about events (EC_COMPLETE, EC_ERRORABORT, EC_DEVICE_LOST ...).
// The filter graph implements it; a filter finds it by querying the graph it joined.
//
// Threads: any thread may call Notify, streaming threads included; the graph queues the events in
// the order the calls arrive.

#include "com/ComPtr.h"
#include "dshow/DShowTypes.h"

struct IMediaEventSink : IUnknown {
  static constexpr IID iid = MakeGuid("2C85F3F5-ED77-428E-8966-42E485E649F2");
  // Renderers pass their IBaseFilter* as param2 of EC_COMPLETE, so that the graph can tell when
  // every renderer has finished.
  virtual HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
};

inline constexpr IID IID_IMediaEventSink = IMediaEventSink::iid;
