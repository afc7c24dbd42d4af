// Registration writes plain registry values from the DLL's table and unregistration deletes
// the table's root keys, those both bitnesses share only with the last bitness.
#include "com/registration.h"

#include <shlwapi.h>

#include <cwctype>

#include "com/com_object.h"

namespace bellnest::com {

namespace {

HKEY Hive(RegistrationScope scope) { return scope == RegistrationScope::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

LSTATUS WriteEntry(HKEY hive, const RegistryEntry& entry) {
  HKEY raw = nullptr;
  LSTATUS status = ::RegCreateKeyExW(hive, entry.Key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr);
  if (status != ERROR_SUCCESS) return status;
  win32::ScopedRegKey key(raw);
  const wchar_t* name = entry.Name.empty() ? nullptr : entry.Name.c_str();
  if (const DWORD* number = std::get_if<DWORD>(&entry.Value))
    return ::RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(number), sizeof(DWORD));
  const std::wstring& text = std::get<std::wstring>(entry.Value);
  return ::RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool HasSubkeys(HKEY hive, const std::wstring& key) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(hive, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
  win32::ScopedRegKey opened(raw);
  DWORD subkeys = 0;
  return ::RegQueryInfoKeyW(raw, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys > 0;
}

}  // namespace

std::vector<RegistryEntry> ClassKeys(REFCLSID clsid, const std::wstring& progId, const std::wstring& name,
                                     const std::wstring& modulePath, REFGUID libid) {
  const std::wstring classes = kClassesKey;
  const std::wstring clsidKey = classes + L"CLSID\\" + GuidText(clsid);
  return {
      {clsidKey, L"", name},
      {clsidKey + L"\\InprocServer32", L"", modulePath},
      {clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {clsidKey + L"\\ProgID", L"", progId},
      {clsidKey + L"\\TypeLib", L"", GuidText(libid)},
      {clsidKey + L"\\Version", L"", kLibraryVersion},
      {classes + progId, L"", name},
      {classes + progId + L"\\CLSID", L"", GuidText(clsid)},
  };
}

std::vector<RegistryEntry> TypeLibraryKeys(REFGUID libid, const std::wstring& name, const std::wstring& modulePath) {
  const std::wstring library = kClassesKey + std::wstring(L"TypeLib\\") + GuidText(libid) + L"\\" + kLibraryVersion;
  const size_t slash = modulePath.find_last_of(L'\\');
  return {
      {library, L"", name},
      {library + L"\\0\\" + kLibraryPlatform, L"", modulePath},
      {library + L"\\FLAGS", L"", L"0"},
      {library + L"\\HELPDIR", L"", slash == std::wstring::npos ? std::wstring() : modulePath.substr(0, slash)},
  };
}

RegistrationScope ScopeFromCommandLine(const wchar_t* commandLine) {
  std::wstring text = commandLine ? commandLine : L"";
  const size_t first = text.find_first_not_of(L" \t");
  const size_t last = text.find_last_not_of(L" \t");
  text = first == std::wstring::npos ? std::wstring() : text.substr(first, last - first + 1);
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text == L"user" ? RegistrationScope::User : RegistrationScope::Machine;
}

HRESULT RegisterServer(RegistrationScope scope) {
  return Guarded("DllRegisterServer", [&]() -> HRESULT {
    const std::wstring path = Module::Instance().Path();
    if (path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
    for (const RegistryEntry& entry : RegistrationEntries(path)) {
      if (WriteEntry(Hive(scope), entry) != ERROR_SUCCESS) return SELFREG_E_CLASS;
    }
    return S_OK;
  });
}

HRESULT UnregisterServer(RegistrationScope scope) {
  return Guarded("DllUnregisterServer", [&]() -> HRESULT {
    const HKEY hive = Hive(scope);
    const RegistrationRoots roots = ServerRoots();
    HRESULT result = S_OK;
    auto remove = [&](const std::wstring& key) {
      const auto status = static_cast<LONG>(::SHDeleteKeyW(hive, key.c_str()));
      // A key that is already gone is what unregistering asks for.
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) result = SELFREG_E_CLASS;
    };
    for (const std::wstring& root : roots.Own) remove(root);

    const std::wstring library = kClassesKey + std::wstring(L"TypeLib\\") + GuidText(roots.Library);
    const std::wstring paths = library + L"\\" + kLibraryVersion + L"\\0";
    remove(paths + L"\\" + kLibraryPlatform);
    if (!HasSubkeys(hive, paths)) remove(library);

    // The other bitness's view of the class key: the 32-bit one from a 64-bit DLL and back.
    const REGSAM otherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const std::wstring otherServer = kClassesKey + std::wstring(L"CLSID\\") + GuidText(roots.Class) + L"\\InprocServer32";
    HKEY other = nullptr;
    const bool otherRegistered = ::RegOpenKeyExW(hive, otherServer.c_str(), 0, KEY_READ | otherView, &other) == ERROR_SUCCESS;
    if (other) ::RegCloseKey(other);
    for (const std::wstring& root : roots.Shared) {
      // Per machine, the registry keeps Software apart per bitness but for most of its Classes:
      // there a key outside Classes (Outlook's add-in list) belongs to this bitness alone.
      const bool own = scope == RegistrationScope::Machine && root.rfind(kClassesKey, 0) != 0;
      if (own || !otherRegistered) remove(root);
    }
    return result;
  });
}

}  // namespace bellnest::com
