#pragma once
// Samples, the allocators that own their buffers, and the input pins that receive them.
//
// Threads: samples travel on streaming threads; allocators are negotiated on the application's
// thread while pins connect and are used from streaming threads afterwards.

#include "com/ComPtr.h"
#include "dshow/DShowTypes.h"
#include "dshow/MediaType.h"

// One buffer of media data with its times and flags.
struct IMediaSample : IUnknown {
  static constexpr IID iid = MakeGuid("56A8689A-0AD4-11CE-B03A-0020AF0BA770");
  virtual HRESULT GetPointer(BYTE** buffer) = 0;
  // Capacity of the buffer in bytes.
  virtual LONG GetSize() = 0;
  // Stream times; VFW_E_SAMPLE_TIME_NOT_SET when the sample has none, VFW_S_NO_STOP_TIME when
  // only the start was set (stop is then start + 1).
  virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
  // Null start clears the times; null stop sets the start only.
  virtual HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
  // The flags answer S_OK for true, S_FALSE for false.
  virtual HRESULT IsSyncPoint() = 0;
  virtual HRESULT SetSyncPoint(BOOL syncPoint) = 0;
  virtual HRESULT IsPreroll() = 0;
  virtual HRESULT SetPreroll(BOOL preroll) = 0;
  virtual LONG GetActualDataLength() = 0;
  // VFW_E_BUFFER_OVERFLOW when length exceeds the buffer.
  virtual HRESULT SetActualDataLength(LONG length) = 0;
  // S_FALSE and null when the type did not change since the previous sample; otherwise a task
  // memory copy for DeleteMediaType.
  virtual HRESULT GetMediaType(AM_MEDIA_TYPE** mediaType) = 0;
  // Marks a type change (null clears the mark).
  virtual HRESULT SetMediaType(AM_MEDIA_TYPE* mediaType) = 0;
  virtual HRESULT IsDiscontinuity() = 0;
  virtual HRESULT SetDiscontinuity(BOOL discontinuity) = 0;
  // Media times (frame numbers of a capture stream); VFW_E_MEDIA_TIME_NOT_SET when none.
  virtual HRESULT GetMediaTime(LONGLONG* start, LONGLONG* stop) = 0;
  virtual HRESULT SetMediaTime(LONGLONG* start, LONGLONG* stop) = 0;
};

struct ALLOCATOR_PROPERTIES {
  LONG cBuffers = 0;
  LONG cbBuffer = 0;
  LONG cbAlign = 0;
  LONG cbPrefix = 0;
};

// GetBuffer flags.
inline constexpr DWORD AM_GBF_PREVFRAMESKIPPED = 1;
inline constexpr DWORD AM_GBF_NOTASYNCPOINT = 2;
// Fail at once instead of waiting for a free buffer.
inline constexpr DWORD AM_GBF_NOWAIT = 4;

struct IMemAllocator : IUnknown {
  static constexpr IID iid = MakeGuid("56A8689C-0AD4-11CE-B03A-0020AF0BA770");
  // Asks for request; actual receives what the allocator will provide. VFW_E_ALREADY_COMMITTED
  // while committed, VFW_E_BUFFERS_OUTSTANDING while samples are out.
  virtual HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) = 0;
  virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* properties) = 0;
  virtual HRESULT Commit() = 0;
  // Wakes every thread blocked in GetBuffer (which then fails with VFW_E_NOT_COMMITTED).
  virtual HRESULT Decommit() = 0;
  // Blocks until a buffer is free unless AM_GBF_NOWAIT; start and stop may be null.
  virtual HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                            DWORD flags) = 0;
  // Called by a sample when its last reference goes.
  virtual HRESULT ReleaseBuffer(IMediaSample* sample) = 0;
};

struct IMemInputPin : IUnknown {
  static constexpr IID iid = MakeGuid("56A8689D-0AD4-11CE-B03A-0020AF0BA770");
  virtual HRESULT GetAllocator(IMemAllocator** allocator) = 0;
  virtual HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) = 0;
  // E_NOTIMPL when the pin has no requirements.
  virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) = 0;
  // Streaming thread. S_FALSE: deliver no more until the next flush or run.
  virtual HRESULT Receive(IMediaSample* sample) = 0;
  virtual HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) = 0;
  // S_OK when Receive may block (the upstream filter then delivers from its own thread).
  virtual HRESULT ReceiveCanBlock() = 0;
};

inline constexpr IID IID_IMediaSample = IMediaSample::iid;
inline constexpr IID IID_IMemAllocator = IMemAllocator::iid;
inline constexpr IID IID_IMemInputPin = IMemInputPin::iid;
