// Outlook's add-in loading, as the stand-in does it: at start-up the add-ins listed under the
// Addins keys are created by ProgID and connected through IDTExtensibility2; Tools > Options
// raises OptionsPagesAdd on the sinks they advised; at exit they are disconnected and
// released. While a host lives, the simulated Outlook's Application is one object (the one the
// add-ins hold and the page site hands the page) and its COMAddIns lists the host's add-ins.
//
//   sim::SimulatedOutlook outlook;
//   standin::AddinHost host(outlook);
//   host.Connect();                                   // Outlook's start
//   for (auto& page : host.OptionsPagesAdd()) ...     // Tools > Options
//   host.Disconnect();                                // Outlook's exit
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "platform/win32/windows_api.h"
#include "sim/profile/simulated_outlook.h"

namespace bellnest::standin {

// One page an add-in put into the Options dialog.
struct OptionsPageRequest {
  std::wstring ProgId;             // the page named by ProgID (else empty)
  com::ComPtr<IDispatch> Control;  // or the control object the add-in handed
  std::wstring Caption;
};

class AddinHost {
 public:
  // Attaches to outlook (one host per simulated Outlook at a time); needs COM initialised.
  explicit AddinHost(sim::SimulatedOutlook& outlook);
  ~AddinHost();  // disconnects what is still connected, detaches
  AddinHost(const AddinHost&) = delete;
  AddinHost& operator=(const AddinHost&) = delete;

  // Outlook's start-up: reads HKCU then HKLM Software\Microsoft\Office\Outlook\Addins, creates
  // each add-in whose LoadBehavior has bit 0 set (3: load at start-up) by its ProgID, calls
  // OnConnection(Application, 1 (start-up), its COMAddIn, an empty array), then
  // OnStartupComplete. A load failure writes LoadBehavior 2, as Outlook does, and is reported
  // in Failures().
  void Connect();
  // Tools > Options: raises OptionsPagesAdd(Pages) on every advised sink and returns what they
  // added, in order.
  std::vector<OptionsPageRequest> OptionsPagesAdd();
  // Outlook's exit: OnBeginShutdown to each add-in, then OnDisconnection(0), and releases
  // everything (the add-ins' DLLs may unload after it).
  void Disconnect();

  // The Application the add-ins hold; the page site's Application is the same object.
  com::ComPtr<IDispatch> Application();
  std::vector<std::wstring> Connected() const;  // ProgIDs
  std::vector<std::wstring> Failures() const;   // "ProgID: reason"
  // CreateObject(progId) with Windows' class lookup (the user's classes first), for the pages
  // too; a DLL loaded for it stays until Disconnect.
  HRESULT CreateObject(const std::wstring& progId, com::ComPtr<IUnknown>& object);

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// Creates a class by ProgID as Windows' COM does: the user's classes first, then the machine's
// (Wine 8 reads the machine's alone). A server loaded here rather than by COM is handed back
// in library (else null), for its user to unload.
HRESULT CreateByProgId(const std::wstring& progId, REFIID iid, void** out, HMODULE* library);

// The host attached to a simulated Outlook, else null (the page site asks it for the Application).
AddinHost* AttachedHost(const sim::SimulatedOutlook& outlook);

}  // namespace bellnest::standin
