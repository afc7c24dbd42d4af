// The entry points of every COM server DLL we build, over the DLL's own class table and
// registration. Their names are exported undecorated through each DLL's .def file, so a 32-bit
// DLL answers GetProcAddress("DllGetClassObject") as the 64-bit one does.
#include "com/class_factory.h"
#include "com/com_object.h"
#include "com/registration.h"
#include "support/per_thread.h"

using bellnest::com::Module;
using bellnest::com::RegistrationScope;

extern "C" {

// Under the loader lock: stores the handle and frees the threads' copies of the module's
// variables, nothing that could call out and deadlock the host.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      Module::Instance().SetHandle(instance);
      bellnest::LetModuleEndThreadCopies();
      break;
    case DLL_THREAD_DETACH:
      bellnest::EndThreadCopies();
      break;
    case DLL_PROCESS_DETACH:
      // Unloaded by FreeLibrary (not the process ending): once no object is left, the copies
      // hold no host object either. With objects alive, they stay rather than release what
      // may already be gone.
      if (!reserved && Module::Instance().CanUnload()) bellnest::EndAllThreadCopies();
      break;
    default:
      break;
  }
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
