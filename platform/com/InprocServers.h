#pragma once
// Classes served by modules registered in the store: the default value of the key
// HKEY_CLASSES_ROOT\CLSID\{class}\InprocServer32 names the module file; the module is loaded
// with dlopen and its DllGetClassObject gives the class factory. CoCreateInstance uses this for
// every class that is not built in, unless a test set a resolver of its own.
//
// A loaded module stays loaded for the life of the process: its objects may be anywhere.
// Any thread.

#include <string>

#include "com/Unknown.h"

// The class factory of a registered class. REGDB_E_CLASSNOTREG when the class or its module
// path is not registered, CO_E_DLLNOTFOUND when the module cannot be loaded, CO_E_ERRORINDLL
// when it exports no DllGetClassObject; otherwise what DllGetClassObject answers.
HRESULT GetRegisteredClassObject(REFCLSID clsid, IClassFactory** factory);

// The registered module path of a class, or empty.
std::string RegisteredInprocServer(REFCLSID clsid);
