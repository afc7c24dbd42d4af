// The simulated Outlook: the host objects of the Outlook and RDO object models over a
// ProfileModel. It is the RdoFactory a Platform gets, and hands out the PropertyPageSite and
// Application the page starts from. Every host call goes through one gate that applies the
// fault rules and writes the call record; every host object is a proxy that counts itself,
// so a test can prove that shut-down released them all.
//
//   auto outlook = SimulatedOutlook::FromFile("profile.json");   // or SimulatedOutlook() for the sample
//   Platform platform; platform.Rdo = outlook.Value().get();
//   PropertyPageSitePtr site = outlook.Value()->PageSite();
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/outlook.h"
#include "host/rdo.h"
#include "sim/profile/host_calls.h"
#include "sim/profile/profile_model.h"

namespace bellnest::sim {

struct World;

// Outlook's list of COM add-ins when real add-ins are loaded (the stand-in's add-in host):
// COMAddIns.Item and COMAddIn.Object answer from it instead of the profile's simulated add-in.
class AddInList {
 public:
  virtual ~AddInList() = default;
  // Nothing when progId is not listed; else the entry's Object (empty when it has none).
  virtual std::optional<DispatchPtr> Find(const std::string& progId) = 0;
};

class SimulatedOutlook final : public RdoFactory {
 public:
  SimulatedOutlook();  // the built-in sample mailbox
  explicit SimulatedOutlook(ProfileModel model);
  ~SimulatedOutlook() override;
  SimulatedOutlook(const SimulatedOutlook&) = delete;
  SimulatedOutlook& operator=(const SimulatedOutlook&) = delete;

  static Result<std::unique_ptr<SimulatedOutlook>> FromFile(const std::string& path);
  static Result<std::unique_ptr<SimulatedOutlook>> FromJson(std::string_view text, std::string_view sourceName);

  // What Outlook hands the page: its page site, and through it the Application.
  PropertyPageSitePtr PageSite();
  ApplicationPtr Application();
  // CreateObject("QFSMAPI.QFSSession"); fails with 429 when the library is not registered.
  Result<RdoSessionPtr> CreateSession(const std::string& progId) override;

  // Real add-ins instead of the profile's simulated one; null goes back to the profile's.
  void SetAddInList(std::shared_ptr<AddInList> list);

  ProfileModel& Model();
  const ProfileModel& Model() const;
  // The entry identifier of the folder at a path ("Inbox/Projects"), "" when there is none.
  std::string Id(std::string_view path) const;

  // Faults.
  Status AddFault(FaultRule rule);
  void ClearFaults();

  // The call record.
  const std::vector<HostCall>& Calls() const;
  size_t CallCount() const;
  int CountCalls(std::string_view kindName, std::string_view method) const;
  void ClearCalls();
  void SetCallRecording(bool on);
  std::string CallTrace() const;  // one call per line

  // Host objects alive now, in total and by kind ("RDOFolder: 2, NameSpace: 1").
  int LiveObjects() const;
  std::string LiveObjectReport() const;

  // Observations of Outlook and the RDO library.
  int StatusChanges() const;  // successful PropertyPageSite.OnStatusChange calls
  int SessionsCreated() const;
  // "Logon" (with ", profile dialog shown" or ", new MAPI session" when asked for) or
  // "MAPIOBJECT", per successful logon.
  const std::vector<std::string>& Logons() const;

  // The default store's Reminders search (empty answers when there is none).
  std::vector<std::string> SearchContainerIds() const;    // the list as edited
  std::vector<std::string> SearchContainerPaths() const;  // paths, or raw ids for containers naming no folder
  std::vector<std::string> EffectiveScopePaths() const;   // what the search searches since its last Start
  bool SearchRunning() const;
  std::vector<std::string> SearchHistory() const;
  ScopeVerdict Scope() const;
  // Running and the scope accepted: Outlook raises reminders.
  bool RemindersActive() const;

  // The profile, with the current search containers and running states, as a profile file.
  std::string ToJson() const;
  Status SaveFile(const std::string& path) const;

 private:
  std::shared_ptr<World> world_;
};

}  // namespace bellnest::sim
