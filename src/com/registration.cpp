// Registration writes plain registry values from one table and unregistration deletes the
// table's root keys. The type library is registered with its own keys rather than through
// RegisterTypeLib: that call would also register Outlook's PropertyPage and PropertyPageSite
// interfaces (they are in our library), and unregistering would then delete Outlook's keys.
#include "com/registration.h"

#include <shlwapi.h>

#include <cwctype>

#include "com/com_object.h"
#include "com/ppbellnest_h.h"

namespace bellnest::com {

namespace {

// Automation's proxy for dual interfaces (PSOAInterface).
constexpr const wchar_t* kAutomationProxy = L"{00020424-0000-0000-C000-000000000046}";
constexpr const wchar_t* kLibraryVersion = L"1.0";

HKEY ClassesRoot(RegistrationScope scope, REGSAM access, LONG& status) {
  HKEY key = nullptr;
  status = ::RegCreateKeyExW(scope == RegistrationScope::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                             L"Software\\Classes", 0, nullptr, 0, access, nullptr, &key, nullptr);
  return key;
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

RegistrationScope ScopeFromCommandLine(const wchar_t* commandLine) {
  std::wstring text = commandLine ? commandLine : L"";
  const size_t first = text.find_first_not_of(L" \t");
  const size_t last = text.find_last_not_of(L" \t");
  text = first == std::wstring::npos ? std::wstring() : text.substr(first, last - first + 1);
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text == L"user" ? RegistrationScope::User : RegistrationScope::Machine;
}

std::vector<RegistryEntry> RegistrationEntries(const std::wstring& modulePath) {
  const std::wstring clsid = L"CLSID\\" + GuidText(CLSID_UserControl1);
  const std::wstring libid = GuidText(LIBID_PPBellnest);
  const std::wstring library = L"TypeLib\\" + libid + L"\\" + kLibraryVersion;
  const std::wstring searchFolders = L"Interface\\" + GuidText(IID__clsPPSearchFolders);
  const std::wstring platform = sizeof(void*) == 8 ? L"win64" : L"win32";
  return {
      {clsid, L"", L"Bellnest options page"},
      {clsid + L"\\InprocServer32", L"", modulePath},
      {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {clsid + L"\\ProgID", L"", kControlProgId},
      {clsid + L"\\Control", L"", L""},
      {clsid + L"\\MiscStatus", L"", L"0"},
      {clsid + L"\\MiscStatus\\1", L"", std::to_wstring(kControlMiscStatus)},  // DVASPECT_CONTENT
      {clsid + L"\\TypeLib", L"", libid},
      {clsid + L"\\Version", L"", kLibraryVersion},
      {kControlProgId, L"", L"Bellnest options page"},
      {std::wstring(kControlProgId) + L"\\CLSID", L"", GuidText(CLSID_UserControl1)},
      {library, L"", L"Bellnest options page"},
      {library + L"\\0\\" + platform, L"", modulePath},
      {library + L"\\FLAGS", L"", L"0"},
      {library + L"\\HELPDIR", L"", FolderOf(modulePath)},
      {searchFolders, L"", L"_clsPPSearchFolders"},
      {searchFolders + L"\\ProxyStubClsid", L"", kAutomationProxy},
      {searchFolders + L"\\ProxyStubClsid32", L"", kAutomationProxy},
      {searchFolders + L"\\TypeLib", L"", libid},
      {searchFolders + L"\\TypeLib", L"Version", kLibraryVersion},
  };
}

std::vector<std::wstring> RegistrationRoots() {
  return {L"CLSID\\" + GuidText(CLSID_UserControl1), kControlProgId, L"TypeLib\\" + GuidText(LIBID_PPBellnest),
          L"Interface\\" + GuidText(IID__clsPPSearchFolders)};
}

HRESULT RegisterServer(RegistrationScope scope) {
  return Guarded("DllRegisterServer", [&]() -> HRESULT {
    const std::wstring path = Module::Instance().Path();
    if (path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
    LONG status = ERROR_SUCCESS;
    win32::ScopedRegKey classes(ClassesRoot(scope, KEY_CREATE_SUB_KEY, status));
    if (!classes) return HRESULT_FROM_WIN32(status);
    for (const RegistryEntry& entry : RegistrationEntries(path)) {
      HKEY raw = nullptr;
      status = ::RegCreateKeyExW(classes.Get(), entry.Key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr);
      if (status != ERROR_SUCCESS) return SELFREG_E_CLASS;
      win32::ScopedRegKey key(raw);
      const auto bytes = static_cast<DWORD>((entry.Value.size() + 1) * sizeof(wchar_t));
      status = ::RegSetValueExW(key.Get(), entry.Name.empty() ? nullptr : entry.Name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(entry.Value.c_str()), bytes);
      if (status != ERROR_SUCCESS) return SELFREG_E_CLASS;
    }
    return S_OK;
  });
}

HRESULT UnregisterServer(RegistrationScope scope) {
  return Guarded("DllUnregisterServer", [&]() -> HRESULT {
    LONG status = ERROR_SUCCESS;
    win32::ScopedRegKey classes(ClassesRoot(scope, KEY_ALL_ACCESS, status));
    if (!classes) return HRESULT_FROM_WIN32(status);
    HRESULT result = S_OK;
    for (const std::wstring& root : RegistrationRoots()) {
      status = static_cast<LONG>(::SHDeleteKeyW(classes.Get(), root.c_str()));
      // A key that is already gone is what unregistering asks for.
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) result = SELFREG_E_CLASS;
    }
    return result;
  });
}

}  // namespace bellnest::com
