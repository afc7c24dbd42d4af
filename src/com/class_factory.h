// The classes this DLL lets COM create, as a table of {CLSID, create function} behind one
// class factory. A class left out of the table (clsPPSearchFolders) is described by the type
// library but not creatable.
#pragma once

#include "platform/win32/windows_api.h"

namespace bellnest::com {

// Creates a new object and returns its interface iid (the object's own first reference is
// handed over or released, so a failed QueryInterface leaves nothing alive).
using CreateFunction = HRESULT (*)(REFIID iid, void** out);

struct ClassEntry {
  const CLSID* Clsid;
  CreateFunction Create;
};

// DllGetClassObject: the factory for clsid, or CLASS_E_CLASSNOTAVAILABLE.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);

}  // namespace bellnest::com
