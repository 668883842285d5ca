#pragma once
// Device enumeration: the system device enumerator lists the devices of a category as monikers;
// a moniker names one device, binds to its filter and to its property bag ("FriendlyName",
// "CLSID", ...). Called from the application's thread.

#include "com/ComPtr.h"
#include "dshow/Variant.h"

// A bind context. The framework's monikers need none; callers pass null.
struct IBindCtx : IUnknown {
  static constexpr IID iid = MakeGuid("0000000E-0000-0000-C000-000000000046");
};

// Where a property bag reports errors while loading; the framework's bags report none.
struct IErrorLog : IUnknown {
  static constexpr IID iid = MakeGuid("3127CA40-446E-11CE-8135-00AA004BB851");
};

struct IPropertyBag : IUnknown {
  static constexpr IID iid = MakeGuid("55272A00-42CB-11CE-8135-00AA004BB851");
  // Replaces *value with the stored one; E_INVALIDARG when the bag has no such property (value
  // is then left as it was). errorLog may be null.
  virtual HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) = 0;
  virtual HRESULT Write(LPCOLESTR name, VARIANT* value) = 0;
};

struct IMoniker : IUnknown {
  static constexpr IID iid = MakeGuid("0000000F-0000-0000-C000-000000000046");
  // Creates the object the moniker names (a device's filter) and answers riid on it.
  virtual HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID riid, void** object) = 0;
  // The named object's storage: IID_IPropertyBag for a device's properties.
  virtual HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID riid, void** object) = 0;
  // A text that identifies the device across runs, in task memory.
  virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* displayName) = 0;
  // S_OK when other names the same device, S_FALSE otherwise.
  virtual HRESULT IsEqual(IMoniker* other) = 0;
};

struct IEnumMoniker : IUnknown {
  static constexpr IID iid = MakeGuid("00000102-0000-0000-C000-000000000046");
  // S_OK when count monikers were returned, S_FALSE when fewer.
  virtual HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumMoniker** clone) = 0;
};

struct ICreateDevEnum : IUnknown {
  static constexpr IID iid = MakeGuid("29840822-5B84-11D0-BD3B-00A0C911CE86");
  // The devices present now in the category. S_FALSE and a null enumerator when there are none.
  virtual HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                        DWORD flags) = 0;
};

inline constexpr IID IID_IBindCtx = IBindCtx::iid;
inline constexpr IID IID_IErrorLog = IErrorLog::iid;
inline constexpr IID IID_IPropertyBag = IPropertyBag::iid;
inline constexpr IID IID_IMoniker = IMoniker::iid;
inline constexpr IID IID_IEnumMoniker = IEnumMoniker::iid;
inline constexpr IID IID_ICreateDevEnum = ICreateDevEnum::iid;
