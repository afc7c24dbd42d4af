// The simulated Outlook's facade: construction from a model or a profile file, the entry
// objects, and what tests read back.
#include "sim/profile/simulated_outlook.h"

#include "sim/profile/profile_json.h"
#include "sim/profile/sample_profile.h"
#include "sim/profile/sim_world.h"

namespace bellnest::sim {

SimulatedOutlook::SimulatedOutlook() : SimulatedOutlook(SampleProfile()) {}

SimulatedOutlook::SimulatedOutlook(ProfileModel model) : world_(std::make_shared<World>(std::move(model))) {}

void SimulatedOutlook::SetAddInList(std::shared_ptr<AddInList> list) { world_->AddIns = std::move(list); }

// Host objects still held elsewhere keep the world alive; they stay usable after this.
SimulatedOutlook::~SimulatedOutlook() = default;

Result<std::unique_ptr<SimulatedOutlook>> SimulatedOutlook::FromFile(const std::string& path) {
  Result<ProfileModel> model = LoadProfileFile(path);
  if (!model) return model.Error();
  return std::make_unique<SimulatedOutlook>(std::move(model).Value());
}

Result<std::unique_ptr<SimulatedOutlook>> SimulatedOutlook::FromJson(std::string_view text,
                                                                     std::string_view sourceName) {
  Result<ProfileModel> model = ParseProfile(text, sourceName);
  if (!model) return model.Error();
  return std::make_unique<SimulatedOutlook>(std::move(model).Value());
}

PropertyPageSitePtr SimulatedOutlook::PageSite() { return NewPageSite(world_); }
ApplicationPtr SimulatedOutlook::Application() { return NewApplication(world_); }

Result<RdoSessionPtr> SimulatedOutlook::CreateSession(const std::string& progId) {
  return world_->Invoke<Result<RdoSessionPtr>>(
      kind::kRdoFactory, "CreateSession", {progId}, "", [&]() -> Result<RdoSessionPtr> {
        // CreateObject reports any failure to create as 429.
        if (!world_->Model.RdoRegistered || !EqualsIgnoringCase(progId, kRdoProgId))
          return RuntimeError(err::kCantCreateObject);
        ++world_->SessionsCreated;
        return NewSession(world_);
      });
}

ProfileModel& SimulatedOutlook::Model() { return world_->Model; }
const ProfileModel& SimulatedOutlook::Model() const { return world_->Model; }
std::string SimulatedOutlook::Id(std::string_view path) const { return world_->Model.EntryIdAt(path); }

Status SimulatedOutlook::AddFault(FaultRule rule) {
  if (Status s = ValidateFault(rule); !s) return s;
  rule.Seen = 0;
  world_->Model.Faults.push_back(std::move(rule));
  return {};
}

void SimulatedOutlook::ClearFaults() { world_->Model.Faults.clear(); }

const std::vector<HostCall>& SimulatedOutlook::Calls() const { return world_->Calls.Calls(); }
size_t SimulatedOutlook::CallCount() const { return world_->Calls.Total(); }
int SimulatedOutlook::CountCalls(std::string_view kindName, std::string_view method) const {
  return world_->Calls.Count(kindName, method);
}
void SimulatedOutlook::ClearCalls() { world_->Calls.Clear(); }
void SimulatedOutlook::SetCallRecording(bool on) { world_->Calls.SetRecording(on); }

std::string SimulatedOutlook::CallTrace() const {
  std::string trace;
  for (const HostCall& call : Calls()) trace += call.ToString() + "\n";
  return trace;
}

int SimulatedOutlook::LiveObjects() const { return world_->Live; }

std::string SimulatedOutlook::LiveObjectReport() const {
  std::string report;
  for (const auto& [name, count] : world_->LiveByKind)
    report += (report.empty() ? "" : ", ") + name + ": " + std::to_string(count);
  return report;
}

int SimulatedOutlook::StatusChanges() const { return world_->StatusChanges; }
int SimulatedOutlook::SessionsCreated() const { return world_->SessionsCreated; }
const std::vector<std::string>& SimulatedOutlook::Logons() const { return world_->Logons; }

namespace {

const SearchFolderModel* DefaultSearch(const ProfileModel& model) {
  if (model.DefaultStore == kNone) return nullptr;
  const std::optional<SearchFolderModel>& search = model.Store(model.DefaultStore).Reminders;
  return search ? &*search : nullptr;
}

std::vector<std::string> Paths(const ProfileModel& model, const std::vector<ContainerRef>& list) {
  std::vector<std::string> out;
  for (const ContainerRef& c : list) {
    std::optional<std::string> path = c.Folder == kNone ? std::nullopt : model.PathOf(c.Folder);
    out.push_back(path ? *path : c.EntryID);
  }
  return out;
}

}  // namespace

std::vector<std::string> SimulatedOutlook::SearchContainerIds() const {
  std::vector<std::string> out;
  if (const SearchFolderModel* search = DefaultSearch(Model()))
    for (const ContainerRef& c : search->Containers) out.push_back(c.EntryID);
  return out;
}

std::vector<std::string> SimulatedOutlook::SearchContainerPaths() const {
  const SearchFolderModel* search = DefaultSearch(Model());
  return search ? Paths(Model(), search->Containers) : std::vector<std::string>();
}

std::vector<std::string> SimulatedOutlook::EffectiveScopePaths() const {
  const SearchFolderModel* search = DefaultSearch(Model());
  return search ? Paths(Model(), search->Effective) : std::vector<std::string>();
}

bool SimulatedOutlook::SearchRunning() const {
  const SearchFolderModel* search = DefaultSearch(Model());
  return search != nullptr && search->Running;
}

std::vector<std::string> SimulatedOutlook::SearchHistory() const {
  const SearchFolderModel* search = DefaultSearch(Model());
  return search ? search->History : std::vector<std::string>();
}

ScopeVerdict SimulatedOutlook::Scope() const {
  if (Model().DefaultStore == kNone) return {false, "the profile has no default store"};
  return Model().JudgeScope(Model().DefaultStore);
}

bool SimulatedOutlook::RemindersActive() const { return SearchRunning() && Scope().Accepted; }

std::string SimulatedOutlook::ToJson() const { return ProfileToJson(Model()); }
Status SimulatedOutlook::SaveFile(const std::string& path) const { return SaveProfileFile(Model(), path); }

}  // namespace bellnest::sim
