// What the tests of PPBellnest.dll share: the DLL of this build tree loaded into the test
// process with its exports at hand, and small registry readers.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace bellnest::com {

// The DLL of this build tree, as a Windows path (Wine shows the Unix root as drive Z:).
inline std::wstring DllPath() {
  std::wstring path = L"Z:" BELLNEST_DLL_PATH_W;
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
  return path;
}


inline std::wstring Guid(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

// A registry value as text; "<missing>" when the key or value is not there.
inline std::wstring ReadValue(HKEY root, const std::wstring& key, const wchar_t* name = nullptr) {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  if (::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return data;
}

inline DWORD ReadDword(HKEY root, const std::wstring& key, const wchar_t* name) {
  DWORD data = 0xFFFFFFFF;
  DWORD size = sizeof data;
  ::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &data, &size);
  return data;
}

inline bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  ::RegCloseKey(opened);
  return true;
}

// The DLL loaded into the test process, its exports called directly.
class Server {
 public:
  Server() : module_(::LoadLibraryW(DllPath().c_str())) {}
  ~Server() {
    if (module_) ::FreeLibrary(module_);
  }
  HMODULE Module() const { return module_; }
  template <class Function>
  Function* Export(const char* name) const {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(::GetProcAddress(module_, name)));
  }
  HRESULT Install(bool install, const wchar_t* commandLine) const {
    return Export<HRESULT STDAPICALLTYPE(BOOL, LPCWSTR)>("DllInstall")(install, commandLine);
  }
  HRESULT Register() const { return Export<HRESULT STDAPICALLTYPE()>("DllRegisterServer")(); }
  HRESULT Unregister() const { return Export<HRESULT STDAPICALLTYPE()>("DllUnregisterServer")(); }
  HRESULT CanUnloadNow() const { return Export<HRESULT STDAPICALLTYPE()>("DllCanUnloadNow")(); }
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const {
    return Export<HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**)>("DllGetClassObject")(clsid, iid, out);
  }

 private:
  HMODULE module_;
};

}  // namespace bellnest::com
