// A page's session on a simulated Outlook inside a fresh native world: the seams installed
// through a page host (registry, files, recorded user interface, the simulated RDO library),
// start-up run by InitHandler itself, and readers for what a user or Outlook can see
// afterwards: the log, the registry values of the reminder set, the search scope as paths.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reminder_folders/reminders_collection.h"
#include "session/outlook_session.h"
#include "sim/native_world.h"
#include "sim/page_host.h"
#include "sim/profile/simulated_outlook.h"
#include "support/shared_state.h"

namespace bellnest::testing_support {

// A mailbox with every default folder, three user folders below the Inbox and an archive
// store; the Reminders search watches the given containers.
inline std::string SmallMailbox(std::string_view containers) {
  return std::string(R"({"stores": [
  {"name": "Mailbox", "aliases": ["00570AE5"], "folders": [
    {"name": "Inbox", "class": "IPF.Note", "default": "Inbox", "folders": [
      {"name": "A", "class": "IPF.Note", "aliases": ["00A1A500"]},
      {"name": "B", "class": "IPF.Task", "aliases": ["00B1B500"]},
      {"name": "X", "class": "IPF.Note"}]},
    {"name": "Calendar", "class": "IPF.Appointment", "default": "Calendar"},
    {"name": "Tasks", "class": "IPF.Task", "default": "Tasks"},
    {"name": "Contacts", "class": "IPF.Contact", "default": "Contacts"},
    {"name": "Sent Items", "class": "IPF.Note", "default": "SentItems"},
    {"name": "Drafts", "class": "IPF.Note", "default": "Drafts"},
    {"name": "Deleted Items", "class": "IPF.Note", "default": "DeletedItems"},
    {"name": "Outbox", "class": "IPF.Note", "default": "Outbox"},
    {"name": "Junk E-mail", "class": "IPF.Note", "default": "Junk"}],
   "reminders": {"containers": [)") +
         std::string(containers) + R"(]}},
  {"name": "Archive", "folders": [{"name": "Old", "class": "IPF.Note"}]}]})";
}

class SessionTest : public testing::Test {
 protected:
  SessionTest() { UseOutlook(std::make_unique<sim::SimulatedOutlook>()); }
  ~SessionTest() override {
    ResetSharedState();
    host_.reset();
  }

  // Replaces the simulated Outlook (the sample mailbox until then) and starts over in a fresh
  // world: empty registry and files, shared state at its start values.
  void UseOutlook(std::unique_ptr<sim::SimulatedOutlook> outlook) {
    ResetSharedState();
    host_.reset();
    outlook_ = std::move(outlook);
    world_ = std::make_unique<sim::NativeWorld>();
    host_ = std::make_unique<sim::PageHost>(*world_, *outlook_);
  }
  void UseProfile(std::string_view json) {
    auto outlook = sim::SimulatedOutlook::FromJson(json, "test-profile.json");
    ASSERT_TRUE(outlook.Ok()) << outlook.Error().Description;
    UseOutlook(std::move(outlook).Value());
  }

  // What InitProperties does before start-up, then start-up itself (which loads the set).
  void StartUp(bool online = true) {
    State().OutlookApp = outlook_->Application();
    State().OutlookOnline = online;
    InitHandler();
  }

  sim::SimulatedOutlook& Outlook() { return *outlook_; }
  std::string Id(std::string_view path) const { return outlook_->Id(path); }
  std::string DefaultStoreId() const { return outlook_->Model().Store(outlook_->Model().DefaultStore).EntryID; }
  // A folder's path for an identifier, "id:<id>" when it names none.
  std::string PathOf(const std::string& entryId) const { return host_->Describe(entryId); }

  std::string ProfileKey() const { return std::string(kProductKeyPath) + "\\" + outlook_->Model().ProfileName; }
  // The stored set as the previous page left it.
  void StoreSet(const std::vector<std::string>& paths, std::string storeId = "") {
    std::string list;
    for (const std::string& path : paths) list += (list.empty() ? "" : ",") + (path.empty() ? "" : Id(path));
    StoreRaw(list, storeId.empty() ? DefaultStoreId() : storeId);
  }
  void StoreRaw(std::string_view list, std::string_view storeId) {
    ASSERT_TRUE(world_->Registry().SetValue(kHkeyCurrentUser, ProfileKey(), kReminderFoldersValue, reg::kSz, list));
    ASSERT_TRUE(world_->Registry().SetValue(kHkeyCurrentUser, ProfileKey(), kStoreIdValue, reg::kSz, storeId));
  }
  void SetOptions(int includeSubfolders, int disableDefaultFolders) {
    SetDword("IncludeSubfolders", includeSubfolders);
    SetDword("DisableDefaultFolders", disableDefaultFolders);
  }
  void SetDword(std::string_view name, int value) {
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 24)};
    ASSERT_TRUE(
        world_->Registry().SetValue(kHkeyCurrentUser, kProductKeyPath, name, reg::kDword, std::string_view(bytes, 4)));
  }
  // A value's bytes (a string without the terminating NUL that Windows stores after it), or
  // nothing when it is missing.
  std::optional<std::string> Value(std::string_view keyPath, std::string_view name) const {
    std::optional<sim::RegValue> value = world_->Registry().GetValue(kHkeyCurrentUser, keyPath, name);
    if (!value) return std::nullopt;
    if (value->Type == reg::kSz && !value->Data.empty() && value->Data.back() == '\0') value->Data.pop_back();
    return value->Data;
  }
  std::optional<std::string> StoredList() const { return Value(ProfileKey(), kReminderFoldersValue); }
  // The stored list as folder paths, in order.
  std::vector<std::string> StoredPaths() const {
    std::vector<std::string> out;
    const std::optional<std::string> list = StoredList();
    if (!list || list->empty()) return out;
    size_t start = 0;
    for (;;) {
      const size_t comma = list->find(',', start);
      out.push_back(PathOf(list->substr(start, comma - start)));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    return out;
  }

  // The reminder set and the offline list, as paths and raw entries.
  std::vector<std::string> SetPaths() const {
    std::vector<std::string> out;
    FolderCollection& set = RemindersCollection();
    for (int32_t i = 1; i <= set.Count(); ++i) out.push_back(PathOf(set.KeyAt(i).value_or("")));
    return out;
  }
  std::vector<std::string> OfflineEntries() const {
    std::vector<std::string> out;
    StringCollection& offline = OfflineFoldersCollection();
    for (int32_t i = 1; i <= offline.Count(); ++i) out.push_back(offline.Item(i).ValueOr(""));
    return out;
  }
  std::vector<std::string> Scope() const { return outlook_->SearchContainerPaths(); }

  // The log's entries, oldest first.
  nlohmann::json Log() const { return host_->LogJson(); }
  std::string LogText() const { return host_->LogJson().dump(2); }
  const std::vector<sim::NativeUi::MessageBox>& MessageBoxes() { return host_->Ui().MessageBoxes(); }

  std::unique_ptr<sim::SimulatedOutlook> outlook_;
  std::unique_ptr<sim::NativeWorld> world_;
  std::unique_ptr<sim::PageHost> host_;
};

}  // namespace bellnest::testing_support
