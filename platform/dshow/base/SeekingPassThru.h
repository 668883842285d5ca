#pragma once
// CSeekingPassThru: IMediaSeeking of a filter or pin that does not seek itself but passes every
// call to the output pin connected to one of its input pins (renderers, transform output pins).
// It lives inside its owner: QueryInterface, AddRef and Release go to the owner.
//
// Threads: application thread.

#include <functional>

#include "dshow/GraphInterfaces.h"

class CBasePin;

class CSeekingPassThru final : public IMediaSeeking {
 public:
  // owner: the object that hands this interface out. input: gives the pin whose peer is asked
  // (looked up at each call, so that it may be made after the owner).
  CSeekingPassThru(IUnknown* owner, std::function<CBasePin*()> input);

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return owner_->AddRef(); }
  ULONG Release() override { return owner_->Release(); }

  HRESULT GetCapabilities(DWORD* capabilities) override;
  HRESULT CheckCapabilities(DWORD* capabilities) override;
  HRESULT IsFormatSupported(const GUID* format) override;
  HRESULT QueryPreferredFormat(GUID* format) override;
  HRESULT GetTimeFormat(GUID* format) override;
  HRESULT IsUsingTimeFormat(const GUID* format) override;
  HRESULT SetTimeFormat(const GUID* format) override;
  HRESULT GetDuration(LONGLONG* duration) override;
  HRESULT GetStopPosition(LONGLONG* stop) override;
  HRESULT GetCurrentPosition(LONGLONG* current) override;
  HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                            const GUID* sourceFormat) override;
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                       DWORD stopFlags) override;
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
  HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  HRESULT SetRate(double rate) override;
  HRESULT GetRate(double* rate) override;
  HRESULT GetPreroll(LONGLONG* preroll) override;

 private:
  // The upstream pin's IMediaSeeking; E_NOTIMPL (and null) when there is none.
  HRESULT Upstream(ComPtr<IMediaSeeking>* seeking);

  IUnknown* const owner_;
  const std::function<CBasePin*()> input_;
};
