// Registration of the COM server: the control's CLSID, ProgID and type library, per user
// (HKCU\Software\Classes, no administrator needed) or per machine (HKLM\Software\Classes).
#pragma once

#include <string>
#include <vector>

#include "platform/win32/windows_api.h"

namespace bellnest::com {

enum class RegistrationScope { User, Machine };

inline constexpr const wchar_t* kControlProgId = L"PPBellnest.UserControl1";
// Client site before initialisation, activate when visible, in-place, redrawn on resize, no
// links into it.
inline constexpr DWORD kControlMiscStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE |
                                            OLEMISC_INSIDEOUT | OLEMISC_RECOMPOSEONRESIZE |
                                            OLEMISC_CANTLINKINSIDE;

// "user" (any case, surrounding blanks ignored) is per user; anything else per machine.
RegistrationScope ScopeFromCommandLine(const wchar_t* commandLine);

// One registry value to write, below the scope's Classes key (name empty: the default value).
struct RegistryEntry {
  std::wstring Key;
  std::wstring Name;
  std::wstring Value;
};

// What registration writes for a DLL at modulePath, and the keys that unregistration removes
// whole: the same set, so nothing else is touched.
std::vector<RegistryEntry> RegistrationEntries(const std::wstring& modulePath);
std::vector<std::wstring> RegistrationRoots();

// Writes every entry (writing twice changes nothing); removes every root key.
HRESULT RegisterServer(RegistrationScope scope);
HRESULT UnregisterServer(RegistrationScope scope);

}  // namespace bellnest::com
