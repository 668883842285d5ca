#pragma once
// The contract between the component and its grabber filters: the control record each filter
// holds and the interface that hands out its address.
//
// Threads: the component writes the set-up fields (Mode to RequiredSubtype) before the filter's
// pins connect. While the graph runs, the filter's streaming thread writes the frame fields, the
// component's UI thread reads them and writes the text fields, and its frame thread polls and
// clears FramePending. The one-byte flags are atomic; two pairs of them hand the shared fields
// over without a lock, each side raising its own flag before it looks at the other's:
// - text: the component raises ComponentWritingText, waits until FilterUsingText is 0, rewrites
//   the text fields and lowers its flag; the filter raises FilterUsingText and draws the caption
//   only when ComponentWritingText is 0;
// - frame: the component raises ComponentReadingFrame, waits until FilterWritingFrame is 0, reads
//   FrameBuffer and lowers its flag; the filter raises FilterWritingFrame and copies a frame only
//   when ComponentReadingFrame is 0 (otherwise that frame is not copied).
// FrameBuffer and FrameSize are set once, before the first FrameAvailable; a reader that saw
// FrameAvailable (or FramePending) set also sees them.

#include <atomic>
#include <cstddef>

#include "com/Unknown.h"
#include "dshow/MediaType.h"
#include "gdi/Font.h"

// Roles of a grabber filter (the record's Mode).
inline constexpr LONG kModeRawFrameGrabber = 2;
inline constexpr LONG kModeFrameGrabber = 3;
inline constexpr LONG kModeFrameNotifier = -1;
inline constexpr LONG kModeHalfSizeDeinterlacer = -3;

using TGrabberFlag = std::atomic<BYTE>;
static_assert(sizeof(TGrabberFlag) == 1 && TGrabberFlag::is_always_lock_free);
static_assert(sizeof(std::atomic<LONGLONG>) == 8 && std::atomic<LONGLONG>::is_always_lock_free);

struct TGrabberControl {
  // Set-up, written by the component before the pins connect.
  LONG Mode = 0;
  BYTE CopyFrames = 0;                    // copy each frame into FrameBuffer; test input formats
  BYTE CheckInputFormat = 0;              // apply the strict format test
  const GUID* RequiredSubtype = nullptr;  // subtype the input must have, or null
  // Caption, written by the component (see the text hand-over above).
  TGrabberFlag TextEnabled{0};
  const char* Text = nullptr;  // UTF-8, owned by the component
  LONG TextLength = 0;         // bytes of Text to draw
  RECT TextRect;
  LOGFONT TextFont;
  COLORREF TextColor = 0;
  UINT TextFormat = 0;  // DT_* flags
  TGrabberFlag FilterUsingText{0};
  TGrabberFlag ComponentWritingText{0};
  // The last frame, written by the filter.
  BYTE* FrameBuffer = nullptr;  // task memory, owned by the filter
  LONG FrameSize = 0;
  AM_MEDIA_TYPE FrameMediaType;  // the connection's type; its format block is owned by the filter
  BYTE FrameMediaTypeValid = 0;
  TGrabberFlag FrameAvailable{0};
  std::atomic<LONGLONG> FrameCount{0};  // the component zeroes it when a graph starts running
  std::atomic<REFERENCE_TIME> SampleTime{0};
  std::atomic<REFERENCE_TIME> SampleTime2{0};
  TGrabberFlag FramePending{0};  // set by the filter, cleared by the frame thread
  // The frame hand-over (see above).
  TGrabberFlag FilterWritingFrame{0};
  TGrabberFlag ComponentReadingFrame{0};
};

// The layout is shared between separately built modules and the component: pin it.
static_assert(offsetof(TGrabberControl, Mode) == 0);
static_assert(offsetof(TGrabberControl, CopyFrames) == 4);
static_assert(offsetof(TGrabberControl, CheckInputFormat) == 5);
static_assert(offsetof(TGrabberControl, RequiredSubtype) == 8);
static_assert(offsetof(TGrabberControl, TextEnabled) == 16);
static_assert(offsetof(TGrabberControl, Text) == 24);
static_assert(offsetof(TGrabberControl, TextLength) == 32);
static_assert(offsetof(TGrabberControl, TextRect) == 36);
static_assert(offsetof(TGrabberControl, TextFont) == 52);
static_assert(offsetof(TGrabberControl, TextColor) == 112);
static_assert(offsetof(TGrabberControl, TextFormat) == 116);
static_assert(offsetof(TGrabberControl, FilterUsingText) == 120);
static_assert(offsetof(TGrabberControl, ComponentWritingText) == 121);
static_assert(offsetof(TGrabberControl, FrameBuffer) == 128);
static_assert(offsetof(TGrabberControl, FrameSize) == 136);
static_assert(offsetof(TGrabberControl, FrameMediaType) == 144);
static_assert(sizeof(AM_MEDIA_TYPE) == 88);
static_assert(offsetof(TGrabberControl, FrameMediaTypeValid) == 232);
static_assert(offsetof(TGrabberControl, FrameAvailable) == 233);
static_assert(offsetof(TGrabberControl, FrameCount) == 240);
static_assert(offsetof(TGrabberControl, SampleTime) == 248);
static_assert(offsetof(TGrabberControl, SampleTime2) == 256);
static_assert(offsetof(TGrabberControl, FramePending) == 264);
static_assert(offsetof(TGrabberControl, FilterWritingFrame) == 265);
static_assert(offsetof(TGrabberControl, ComponentReadingFrame) == 266);
static_assert(sizeof(TGrabberControl) == 272);

// The private interface of both grabber filters.
struct IGrabberControl : IUnknown {
  static constexpr IID iid = MakeGuid("7DE39A9D-8B2B-4C54-9F0B-495AEA7DEE82");
  // Stores the address of the filter's record (valid as long as the filter lives); S_OK.
  virtual HRESULT GetControlRecord(TGrabberControl** record) = 0;
};

inline constexpr IID IID_IGrabberControl = IGrabberControl::iid;
