// A test on one options-page session: a fresh native world, a simulated Outlook (the sample
// mailbox, or a profile given as JSON) and the page host that installs their seams on this
// thread. The shared state starts and ends at its start values. Readers show what a user or
// Outlook can see: the log, the registry values the page owns, the reminder set, the scope.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reminder_folders/reminders_collection.h"
#include "session/outlook_session.h"
#include "sim/page_host.h"
#include "sim/profile/sample_profile.h"
#include "support/error_log.h"
#include "support/shared_state.h"

namespace bellnest::testing_support {

struct LogEntry {
  int32_t Number = 0;
  std::string Description, Source, Module, Procedure, Context;
};

inline std::ostream& operator<<(std::ostream& out, const LogEntry& e) {
  return out << "{" << e.Module << "." << e.Procedure << " #" << e.Number << " '" << e.Context << "' (" << e.Description
             << ")}";
}

// The sample mailbox with an edit applied to its JSON text.
inline std::string SampleProfileWith(const std::function<void(nlohmann::json&)>& edit) {
  nlohmann::json profile = nlohmann::json::parse(sim::SampleProfileJson());
  edit(profile);
  return profile.dump();
}

// A mailbox with every default folder, three user folders below the Inbox and an archive
// store (tests/common/small_mailbox.json); the Reminders search watches the given containers.
inline std::string SmallMailbox(std::string_view containers) {
  std::ifstream in(BELLNEST_SOURCE_DIR "/tests/common/small_mailbox.json");
  nlohmann::json profile = nlohmann::json::parse(in);
  profile["stores"][0]["reminders"]["containers"] = nlohmann::json::parse("[" + std::string(containers) + "]");
  return profile.dump();
}

class PageFixture : public ::testing::Test {
 protected:
  PageFixture() { ResetSharedState(); }
  ~PageFixture() override {
    host_.reset();
    ResetSharedState();
    outlook_.reset();
  }

  // Builds the simulated Outlook and the host in the same world; an empty text is the sample
  // mailbox.
  void UseProfile(std::string_view json = {}) {
    if (json.empty()) return UseOutlook(std::make_unique<sim::SimulatedOutlook>());
    auto loaded = sim::SimulatedOutlook::FromJson(json, "test-profile.json");
    ASSERT_TRUE(loaded.Ok()) << loaded.Error().Description;
    UseOutlook(std::move(loaded).Value());
  }
  void UseOutlook(std::unique_ptr<sim::SimulatedOutlook> outlook) {
    host_.reset();
    outlook_ = std::move(outlook);
    host_ = std::make_unique<sim::PageHost>(*world_, *outlook_);
  }
  // Starts over: an empty registry and file system, the shared state at its start values.
  void FreshWorld() {
    host_.reset();
    ResetSharedState();
    world_ = std::make_unique<sim::NativeWorld>();
  }

  // Opens the sample mailbox's page (or the given profile's) and paints it once, as Outlook does.
  void OpenPage(std::string_view json = {}) {
    UseProfile(json);
    if (!host_) return;
    host_->Open();
    host_->Paint();
  }
  // What InitProperties does before start-up, then start-up itself (which loads the set).
  void StartUp(bool online = true) {
    State().OutlookApp = outlook_->Application();
    State().OutlookOnline = online;
    InitHandler();
  }

  sim::SimulatedOutlook& Outlook() { return *outlook_; }
  sim::PageHost& Host() { return *host_; }
  UserControl1& Page() { return host_->Page(); }
  sim::NativeUi& Ui() { return host_->Ui(); }
  std::string Id(std::string_view path) const { return outlook_->Id(path); }
  TreeNodePtr Node(std::string_view path) { return host_->Tree().FindByKey(Id(path)); }
  std::string DefaultStoreId() const { return outlook_->Model().Store(outlook_->Model().DefaultStore).EntryID; }
  // A folder's path for an identifier, "id:<id>" when it names none.
  std::string PathOf(const std::string& entryId) const { return host_->Describe(entryId); }

  // The entries of the log file, oldest first; EarlyLog is where reports go while the local
  // data folder is still unknown: the bare file name in the current directory.
  nlohmann::json LogJson(const std::string& windowsPath = LogFilePath()) const { return host_->LogJson(windowsPath); }
  std::string LogText() const { return LogJson().dump(2); }
  std::vector<LogEntry> Log() const { return EarlyLog(LogFilePath()); }
  std::vector<LogEntry> EarlyLog(const std::string& windowsPath = kLogFileName) const {
    std::vector<LogEntry> entries;
    for (const auto& json : LogJson(windowsPath)) {
      entries.push_back({static_cast<int32_t>(std::strtol(json["number"].get<std::string>().c_str(), nullptr, 10)),
                         json["description"], json["source"], json["module"], json["procedure"], json["context"]});
    }
    return entries;
  }
  // The entries of one procedure, in order.
  std::vector<LogEntry> LogOf(std::string_view procedure) const {
    std::vector<LogEntry> out;
    for (LogEntry& e : Log())
      if (e.Procedure == procedure) out.push_back(std::move(e));
    return out;
  }

  // Registry values under HKEY_CURRENT_USER.
  void SetOption(const std::string& name, uint32_t value) {
    std::string data;
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    ASSERT_TRUE(world_->Registry().SetValue(kHkeyCurrentUser, kProductKeyPath, name, reg::kDword, data));
  }
  void SetOptions(uint32_t includeSubfolders, uint32_t disableDefaultFolders) {
    SetOption("IncludeSubfolders", includeSubfolders);
    SetOption("DisableDefaultFolders", disableDefaultFolders);
  }
  // A value as stored, but for the terminating NUL that Windows stores after a string.
  std::optional<sim::RegValue> Value(const std::string& path, const std::string& name) const {
    std::optional<sim::RegValue> value = world_->Registry().GetValue(kHkeyCurrentUser, path, name);
    if (value && value->Type == reg::kSz && !value->Data.empty() && value->Data.back() == '\0') value->Data.pop_back();
    return value;
  }
  // A value's bytes, or nothing when it is missing.
  std::optional<std::string> Bytes(const std::string& path, const std::string& name) const {
    std::optional<sim::RegValue> value = Value(path, name);
    return value ? std::optional<std::string>(value->Data) : std::nullopt;
  }

  // The stored set of the profile's key, as the previous page left it.
  std::string ProfileKey() const { return std::string(kProductKeyPath) + "\\" + outlook_->Model().ProfileName; }
  void StoreSet(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& path : paths) list += (list.empty() ? "" : ",") + Id(path);
    StoreRaw(list, DefaultStoreId());
  }
  void StoreRaw(std::string_view list, std::string_view storeId) {
    ASSERT_TRUE(world_->Registry().SetValue(kHkeyCurrentUser, ProfileKey(), kReminderFoldersValue, reg::kSz, list));
    ASSERT_TRUE(world_->Registry().SetValue(kHkeyCurrentUser, ProfileKey(), kStoreIdValue, reg::kSz, storeId));
  }
  std::optional<std::string> StoredList() const { return Bytes(ProfileKey(), kReminderFoldersValue); }
  // The stored list as folder paths, in order.
  std::vector<std::string> StoredPaths() const {
    std::vector<std::string> out;
    const std::string list = StoredList().value_or("");
    for (size_t start = 0; !list.empty() && start <= list.size();) {
      const size_t comma = std::min(list.find(',', start), list.size());
      out.push_back(PathOf(list.substr(start, comma - start)));
      start = comma + 1;
    }
    return out;
  }

  // The folders of a collection as paths, in collection order; the reminder set, the page's
  // selection, the offline entries and the search scope.
  std::vector<std::string> PathsOf(const FolderCollectionRef& collection) const {
    std::vector<std::string> out;
    for (int32_t i = 1; collection && i <= collection->Count(); ++i) out.push_back(PathOf(collection->KeyAt(i).value_or("")));
    return out;
  }
  std::vector<std::string> SetPaths() const { return PathsOf(State().RemindersCollection); }
  std::vector<std::string> Selection() { return PathsOf(Page().SelectedFolders); }
  std::vector<std::string> OfflineEntries() const {
    std::vector<std::string> out;
    StringCollection& offline = OfflineFoldersCollection();
    for (int32_t i = 1; i <= offline.Count(); ++i) out.push_back(offline.Item(i).ValueOr(""));
    return out;
  }
  std::vector<std::string> Scope() const { return outlook_->SearchContainerPaths(); }

  std::unique_ptr<sim::NativeWorld> world_ = std::make_unique<sim::NativeWorld>();
  std::unique_ptr<sim::SimulatedOutlook> outlook_;
  std::unique_ptr<sim::PageHost> host_;
};

// Tests of the session's parts below the page: they start on the sample mailbox.
class SessionTest : public PageFixture {
 protected:
  SessionTest() { UseProfile(); }
};

}  // namespace bellnest::testing_support
