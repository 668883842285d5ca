#pragma once
// Tape devices (DV camcorders): the time code reader and the transport controls. Called from the
// application's thread.

#include "com/ComPtr.h"
#include "dshow/DShowTypes.h"

// Base of the external device constants.
inline constexpr LONG ED_BASE = 0x1000;

// GetTimecode requests (TIMECODE_SAMPLE::dwFlags).
inline constexpr DWORD ED_DEVCAP_TIMECODE_READ = 4121;
// The absolute track number instead of the time code.
inline constexpr DWORD ED_DEVCAP_ATN_READ = 5047;

struct TIMECODE {
  WORD wFrameRate = 0;
  WORD wFrameFract = 0;
  // For ED_DEVCAP_TIMECODE_READ: packed BCD, bits 31-24 hours, 23-16 minutes, 15-8 seconds,
  // 7-0 frames. For ED_DEVCAP_ATN_READ: the track number.
  DWORD dwFrames = 0;
};

struct TIMECODE_SAMPLE {
  LONGLONG qwTick = 0;
  TIMECODE timecode;
  DWORD dwUser = 0;
  DWORD dwFlags = 0;  // what to read: ED_DEVCAP_TIMECODE_READ or ED_DEVCAP_ATN_READ
};
static_assert(sizeof(TIMECODE_SAMPLE) == 24);

struct IAMTimecodeReader : IUnknown {
  static constexpr IID iid = MakeGuid("9B496CE1-811B-11CF-8C77-00AA006B6814");
  virtual HRESULT GetTCRMode(LONG param, LONG* value) = 0;
  virtual HRESULT SetTCRMode(LONG param, LONG value) = 0;
  virtual HRESULT put_VITCLine(LONG line) = 0;
  virtual HRESULT get_VITCLine(LONG* line) = 0;
  // Reads what sample->dwFlags asks for into sample->timecode.
  virtual HRESULT GetTimecode(TIMECODE_SAMPLE* sample) = 0;
};

// Transport modes (put_Mode / get_Mode).
inline constexpr LONG ED_MODE_PLAY = ED_BASE + 200;
inline constexpr LONG ED_MODE_STOP = ED_BASE + 201;
inline constexpr LONG ED_MODE_FREEZE = ED_BASE + 202;
inline constexpr LONG ED_MODE_THAW = ED_BASE + 203;
inline constexpr LONG ED_MODE_FF = ED_BASE + 204;
inline constexpr LONG ED_MODE_REW = ED_BASE + 205;
inline constexpr LONG ED_MODE_RECORD = ED_BASE + 206;

// Media states (put_MediaState / get_MediaState).
inline constexpr LONG ED_MEDIA_SPIN_UP = ED_BASE + 130;
inline constexpr LONG ED_MEDIA_SPIN_DOWN = ED_BASE + 131;
inline constexpr LONG ED_MEDIA_UNLOAD = ED_BASE + 132;

struct IAMExtTransport : IUnknown {
  static constexpr IID iid = MakeGuid("A03CD5F0-3045-11CF-8C44-00AA006B6814");
  virtual HRESULT GetCapability(LONG capability, LONG* value, double* doubleValue) = 0;
  virtual HRESULT put_MediaState(LONG state) = 0;
  virtual HRESULT get_MediaState(LONG* state) = 0;
  virtual HRESULT put_LocalControl(LONG state) = 0;
  virtual HRESULT get_LocalControl(LONG* state) = 0;
  virtual HRESULT GetStatus(LONG statusItem, LONG* value) = 0;
  virtual HRESULT put_Mode(LONG mode) = 0;
  virtual HRESULT get_Mode(LONG* mode) = 0;
  virtual HRESULT put_Rate(double rate) = 0;
  virtual HRESULT get_Rate(double* rate) = 0;
};

inline constexpr IID IID_IAMTimecodeReader = IAMTimecodeReader::iid;
inline constexpr IID IID_IAMExtTransport = IAMExtTransport::iid;
