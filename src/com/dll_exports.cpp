// The entry points of every COM server DLL we build, over the DLL's own class table and
// registration. Their names are exported undecorated through each DLL's .def file, so a 32-bit
// DLL answers GetProcAddress("DllGetClassObject") as the 64-bit one does.
#include "com/class_factory.h"
#include "com/com_object.h"
#include "com/registration.h"

using bellnest::com::Module;
using bellnest::com::RegistrationScope;

extern "C" {

// Only stores the handle: anything more under the loader lock could deadlock the host.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) Module::Instance().SetHandle(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  return bellnest::com::GetClassObject(clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return Module::Instance().CanUnload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return bellnest::com::RegisterServer(RegistrationScope::Machine); }

STDAPI DllUnregisterServer() { return bellnest::com::UnregisterServer(RegistrationScope::Machine); }

// regsvr32 /i:user [/n]: per user, under HKCU\Software\Classes, without administrator rights;
// any other command line: per machine.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  const RegistrationScope scope = bellnest::com::ScopeFromCommandLine(commandLine);
  return install ? bellnest::com::RegisterServer(scope) : bellnest::com::UnregisterServer(scope);
}

}  // extern "C"
