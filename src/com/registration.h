// Registration of a COM server DLL, per user (HKCU, no administrator needed) or per machine
// (HKLM): each DLL says what it writes as a table of values, and unregistration removes the
// table's root keys, so nothing else is touched. Both bitnesses of a DLL may be registered side
// by side on 64-bit Windows: unregistering one leaves what the other still uses.
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
// The subkey of a type library's version that holds the path of this bitness's DLL.
inline constexpr const wchar_t* kLibraryPlatform = sizeof(void*) == 8 ? L"win64" : L"win32";

// The keys of an apartment-threaded class in the DLL at modulePath, creatable by progId and
// described by the type library libid; and those of that type library.
std::vector<RegistryEntry> ClassKeys(REFCLSID clsid, const std::wstring& progId, const std::wstring& name,
                                     const std::wstring& modulePath, REFGUID libid);
std::vector<RegistryEntry> TypeLibraryKeys(REFGUID libid, const std::wstring& name, const std::wstring& modulePath);

// The keys unregistration removes. Own keys the registry keeps apart per bitness (CLSID,
// Interface) and go at once; shared keys (the ProgID, Outlook's add-in entry per user) serve
// both bitnesses and go only when Class is not registered in the other bitness's view of the
// same hive. The type library's key is shared and its path kept per bitness: the path goes, the key
// with the last path.
struct RegistrationRoots {
  CLSID Class;
  GUID Library;
  std::vector<std::wstring> Own;
  std::vector<std::wstring> Shared;
};

// Defined once by each DLL: what registration writes for the DLL at modulePath, and what
// unregistration removes.
std::vector<RegistryEntry> RegistrationEntries(const std::wstring& modulePath);
RegistrationRoots ServerRoots();

// Writes every entry (writing twice changes nothing); removes every root key.
HRESULT RegisterServer(RegistrationScope scope);
HRESULT UnregisterServer(RegistrationScope scope);

}  // namespace bellnest::com
