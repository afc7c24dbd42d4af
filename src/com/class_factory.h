// The classes a DLL lets COM create, as a table of {CLSID, create function} behind one class
// factory. A class left out of its table is described by the type library but not creatable.
#pragma once

#include <span>

#include "platform/win32/windows_api.h"

namespace bellnest::com {

// Creates a new object and returns its interface iid (the object's own first reference is
// handed over or released, so a failed QueryInterface leaves nothing alive).
using CreateFunction = HRESULT (*)(REFIID iid, void** out);

struct ClassEntry {
  const CLSID* Clsid;
  CreateFunction Create;
};

// The table of this DLL, defined once by each DLL.
std::span<const ClassEntry> ServerClasses();

// DllGetClassObject: the factory for clsid, or CLASS_E_CLASSNOTAVAILABLE.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);

}  // namespace bellnest::com
