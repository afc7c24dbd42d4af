// Registration of a COM server DLL, per user (HKCU, no administrator needed) or per machine
// (HKLM): each DLL says what it writes as a table of values, and unregistration removes the
// table's root keys, so nothing else is touched.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "platform/win32/windows_api.h"

namespace bellnest::com {

enum class RegistrationScope { User, Machine };

// "user" (any case, surrounding blanks ignored) is per user; anything else per machine.
RegistrationScope ScopeFromCommandLine(const wchar_t* commandLine);

// One registry value to write, below the scope's hive (name empty: the default value).
struct RegistryEntry {
  std::wstring Key;
  std::wstring Name;
  std::variant<std::wstring, DWORD> Value;  // REG_SZ or REG_DWORD
};

inline constexpr const wchar_t* kClassesKey = L"Software\\Classes\\";
inline constexpr const wchar_t* kLibraryVersion = L"1.0";

// The keys of an apartment-threaded class in the DLL at modulePath, creatable by progId and
// described by the type library libid; and those of that type library.
std::vector<RegistryEntry> ClassKeys(REFCLSID clsid, const std::wstring& progId, const std::wstring& name,
                                     const std::wstring& modulePath, REFGUID libid);
std::vector<RegistryEntry> TypeLibraryKeys(REFGUID libid, const std::wstring& name, const std::wstring& modulePath);

// Defined once by each DLL: what registration writes for the DLL at modulePath, and the keys
// that unregistration removes whole.
std::vector<RegistryEntry> RegistrationEntries(const std::wstring& modulePath);
std::vector<std::wstring> RegistrationRoots();

// Writes every entry (writing twice changes nothing); removes every root key.
HRESULT RegisterServer(RegistrationScope scope);
HRESULT UnregisterServer(RegistrationScope scope);

}  // namespace bellnest::com
