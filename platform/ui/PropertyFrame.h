#pragma once
// The modal property frame: one tab per page, OK / Cancel / Apply, opened over the owner window.
//
// OleCreatePropertyFrame creates each page by its class id (CoCreateInstance), gives it the
// objects, activates it on a tab and returns when the frame is closed: OK applies every page that
// holds changes, Apply does so and keeps the frame open, Cancel applies nothing more.
//
// A hook, when set, answers the frame instead of a person: it receives a driver over the frame
// (pages, their widgets, the three buttons), changes controls and presses buttons. Under the hook
// the frame is laid out but never appears on screen; a hook that returns without pressing OK or
// Cancel cancels. Without a hook, when nobody can answer (no QApplication, or the display is
// offscreen or minimal), the caption is written to standard error and the frame counts as
// cancelled, as message boxes do.
//
// Threads: the application thread.

#include <functional>
#include <string>

#include "com/Guid.h"
#include "ui/Message.h"

struct IUnknown;
using LCID = DWORD;

namespace ui {

// The frame as a hook drives it. Page indexes follow the tabs, left to right.
class PropertyFrameDriver {
 public:
  virtual ~PropertyFrameDriver() = default;

  virtual QWidget* Window() const = 0;
  virtual int PageCount() const = 0;
  virtual std::string PageTitle(int index) const = 0;
  // The widget the page made on its tab.
  virtual QWidget* PageWidget(int index) const = 0;
  virtual void SelectPage(int index) = 0;
  // Whether a page holds changes not yet applied (the Apply button is enabled).
  virtual bool CanApply() const = 0;
  virtual void PressApply() = 0;
  virtual void PressOk() = 0;
  virtual void PressCancel() = 0;
};

using PropertyFrameHook = std::function<void(PropertyFrameDriver&)>;

// Installs hook (an empty one removes it) and returns the one it replaces.
PropertyFrameHook SetPropertyFrameHook(PropertyFrameHook hook);

}  // namespace ui

// x and y place the frame's top-left corner in owner's coordinates (on the screen when owner is
// null). Pages that cannot be made or that take none of the objects are left out; E_NOINTERFACE
// when none is left. S_OK once the frame is closed, whichever button closed it.
HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                               IUnknown** objects, ULONG pageCount, const CLSID* pages, LCID lcid,
                               DWORD reserved, void* reserved2);
