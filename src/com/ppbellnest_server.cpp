// What PPBellnest.dll serves and registers: the options page control, creatable by ProgID, and
// its type library. The type library is registered with its own keys rather than through
// RegisterTypeLib: that call would also register Outlook's PropertyPage and PropertyPageSite
// interfaces (they are in our library), and unregistering would then delete Outlook's keys.
#include "com/class_factory.h"
#include "com/com_object.h"
#include "com/ppbellnest_h.h"
#include "com/registration.h"
#include "com/user_control_ole.h"

namespace bellnest::com {

namespace {

constexpr const wchar_t* kControlProgId = L"PPBellnest.UserControl1";
// Automation's proxy for dual interfaces (PSOAInterface).
constexpr const wchar_t* kAutomationProxy = L"{00020424-0000-0000-C000-000000000046}";

const ClassEntry kClasses[] = {
    {&CLSID_UserControl1, &CreateUserControl},
};

}  // namespace

std::span<const ClassEntry> ServerClasses() { return kClasses; }

std::vector<RegistryEntry> RegistrationEntries(const std::wstring& modulePath) {
  const std::wstring name = L"Bellnest options page";
  const std::wstring clsid = kClassesKey + std::wstring(L"CLSID\\") + GuidText(CLSID_UserControl1);
  const std::wstring libid = GuidText(LIBID_PPBellnest);
  const std::wstring searchFolders = kClassesKey + std::wstring(L"Interface\\") + GuidText(IID__clsPPSearchFolders);
  std::vector<RegistryEntry> entries = ClassKeys(CLSID_UserControl1, kControlProgId, name, modulePath, LIBID_PPBellnest);
  for (RegistryEntry& entry : TypeLibraryKeys(LIBID_PPBellnest, name, modulePath)) entries.push_back(std::move(entry));
  entries.insert(entries.end(), {
                                    {clsid + L"\\Control", L"", L""},
                                    {clsid + L"\\MiscStatus", L"", L"0"},
                                    {clsid + L"\\MiscStatus\\1", L"", std::to_wstring(kControlMiscStatus)},  // DVASPECT_CONTENT
                                    {searchFolders, L"", L"_clsPPSearchFolders"},
                                    {searchFolders + L"\\ProxyStubClsid", L"", kAutomationProxy},
                                    {searchFolders + L"\\ProxyStubClsid32", L"", kAutomationProxy},
                                    {searchFolders + L"\\TypeLib", L"", libid},
                                    {searchFolders + L"\\TypeLib", L"Version", kLibraryVersion},
                                });
  return entries;
}

RegistrationRoots ServerRoots() {
  const std::wstring classes = kClassesKey;
  return {CLSID_UserControl1,
          LIBID_PPBellnest,
          {classes + L"CLSID\\" + GuidText(CLSID_UserControl1), classes + L"Interface\\" + GuidText(IID__clsPPSearchFolders)},
          {classes + kControlProgId}};
}

}  // namespace bellnest::com
