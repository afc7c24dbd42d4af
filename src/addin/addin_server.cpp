// What BellnestConnect.dll serves and registers: the add-in class, creatable by its ProgID, its
// type library, and its entry in Outlook's list of add-ins (loaded at start-up). Unregistering
// the last bitness removes that entry and leaves Outlook's own Addins key.
#include "addin/bellnest_connect_h.h"
#include "addin/connect.h"
#include "com/class_factory.h"
#include "com/com_object.h"
#include "com/registration.h"
#include "platform/win32/win32_codec.h"
#include "platform/win32/win32_version.h"

namespace bellnest::com {

namespace {

constexpr const wchar_t* kAddinsKey = L"Software\\Microsoft\\Office\\Outlook\\Addins\\";
constexpr DWORD kLoadAtStartup = 3;  // connected, loaded when Outlook starts

const ClassEntry kClasses[] = {
    {&CLSID_Connect, &addin::CreateConnect},
};

// The product description, as the About dialog shows it from the version resource.
std::wstring Description() {
  Result<VersionResource> version = win32::ModuleVersion(Module::Instance().Handle());
  return version ? win32::Utf8ToWide(version.Value().FileDescription) : std::wstring();
}

}  // namespace

std::span<const ClassEntry> ServerClasses() { return kClasses; }

std::vector<RegistryEntry> RegistrationEntries(const std::wstring& modulePath) {
  const std::wstring name = L"Bellnest companion add-in";
  const std::wstring addin = std::wstring(kAddinsKey) + addin::kAddinProgId;
  std::vector<RegistryEntry> entries = ClassKeys(CLSID_Connect, addin::kAddinProgId, name, modulePath, LIBID_BellnestConnect);
  for (RegistryEntry& entry : TypeLibraryKeys(LIBID_BellnestConnect, name, modulePath)) entries.push_back(std::move(entry));
  entries.insert(entries.end(), {
                                    {addin, L"FriendlyName", L"Bellnest"},
                                    {addin, L"Description", Description()},
                                    {addin, L"LoadBehavior", kLoadAtStartup},
                                });
  return entries;
}

RegistrationRoots ServerRoots() {
  const std::wstring classes = kClassesKey;
  return {CLSID_Connect,
          LIBID_BellnestConnect,
          {classes + L"CLSID\\" + GuidText(CLSID_Connect)},
          {classes + addin::kAddinProgId, std::wstring(kAddinsKey) + addin::kAddinProgId}};
}

}  // namespace bellnest::com
