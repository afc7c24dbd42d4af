// The simulated Outlook profile behind COM, for tests and tools under Wine: Outlook's page site
// and Application as IDispatch objects, and the RDO session as a class a test process
// registers under the library's ProgID, so that CreateObject (CLSIDFromProgID and
// CoCreateInstance) reaches the simulation. Calls, faults and live objects are the
// simulation's own, as in the native world.
//
//   sim::SimulatedOutlook outlook;
//   standin::RdoRegistration rdo(outlook);                 // "QFSMAPI.QFSSession" -> the simulation
//   ComPtr<IDispatch> site = standin::PageSite(outlook);   // what the page's container hands it
#pragma once

#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "platform/win32/windows_api.h"
#include "sim/profile/simulated_outlook.h"

namespace bellnest::standin {

// The stand-in's RDO session class: {6E2B7D41-9C3A-4F58-B1D2-3A8E5C0F7B64}.
inline constexpr CLSID kClsidRdoSession = {
    0x6E2B7D41, 0x9C3A, 0x4F58, {0xB1, 0xD2, 0x3A, 0x8E, 0x5C, 0x0F, 0x7B, 0x64}};

// Outlook's PropertyPageSite as a dual interface (IID com::kIidPropertyPageSite): its own
// slots after IDispatch's seven, for a container that calls the page site by vtable.
struct PropertyPageSiteDual : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Application(IDispatch** application) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Class(LONG* objectClass) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Session(IDispatch** session) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** parent) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStatusChange() = 0;
};

// The page site Outlook hands a page, answering PropertyPageSite by Invoke and by vtable.
com::ComPtr<IDispatch> PageSite(sim::SimulatedOutlook& outlook);
com::ComPtr<IDispatch> Application(sim::SimulatedOutlook& outlook);
// The objects served here that are alive now (a test proves shut-down released them all).
long LiveComObjects();
// The member names callers looked up through GetIDsOfNames on any object served here, in order
// (this thread's; a test clears it).
std::vector<std::string>& NameLookups();

// What the RDO session class creates: a session of the simulation, or its failure.
Result<com::ComPtr<IDispatch>> CreateRdoSession(sim::SimulatedOutlook& outlook);

// While it lives, the process's class object for the RDO session and the ProgID key in
// HKCU\Software\Classes (and in HKLM\Software\Classes where COM reads no user classes). A
// session is created as the simulation creates one (recorded, subject to faults and to whether
// the profile has the library registered). Needs COM initialised.
class RdoRegistration {
 public:
  explicit RdoRegistration(sim::SimulatedOutlook& outlook);
  ~RdoRegistration();
  RdoRegistration(const RdoRegistration&) = delete;
  RdoRegistration& operator=(const RdoRegistration&) = delete;

  // S_OK when both the class object and the ProgID key are in place.
  HRESULT Outcome() const { return status_; }

 private:
  DWORD cookie_ = 0;
  bool machineKey_ = false;
  HRESULT status_ = E_FAIL;
};

}  // namespace bellnest::standin
