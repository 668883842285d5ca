#pragma once
// The entry points every filter module exports (resolved by name with dlsym).

#include "com/Unknown.h"

#define RUDOZAV_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

RUDOZAV_MODULE_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object);
RUDOZAV_MODULE_EXPORT HRESULT DllCanUnloadNow();
RUDOZAV_MODULE_EXPORT HRESULT DllRegisterServer();
RUDOZAV_MODULE_EXPORT HRESULT DllUnregisterServer();
