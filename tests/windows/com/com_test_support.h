// What the tests of PPBellnest.dll share: the DLL of this build tree loaded into the test
// process with its exports at hand; the registry readers are the Windows world's.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"
#include "windows/win32_test_world.h"

namespace bellnest::com {

// A DLL of this build tree, as a Windows path (Wine shows the Unix root as drive Z:).
inline std::wstring WindowsPath(const wchar_t* unixPath) {
  std::wstring path = std::wstring(L"Z:") + unixPath;
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
  return path;
}
inline std::wstring DllPath() { return WindowsPath(BELLNEST_DLL_PATH_W); }
inline std::wstring AddinPath() { return WindowsPath(BELLNEST_ADDIN_PATH_W); }

inline std::wstring Guid(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

using win32::KeyExists;
using win32::ReadValue;

// The DLL loaded into the test process, its exports called directly.
class Server {
 public:
  explicit Server(const std::wstring& path = DllPath()) : path_(path), module_(::LoadLibraryW(path.c_str())) {}
  ~Server() {
    if (module_) ::FreeLibrary(module_);
  }
  HMODULE Module() const { return module_; }
  // Lets go of the test's own reference; true when that unloaded the DLL.
  bool Unload() {
    if (module_) ::FreeLibrary(module_);
    module_ = nullptr;
    return ::GetModuleHandleW(path_.c_str()) == nullptr;
  }
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
  std::wstring path_;
  HMODULE module_;
};

}  // namespace bellnest::com
