// A test on one options-page session: a fresh native world, a simulated Outlook (the sample
// mailbox, or a profile given as JSON) and the page host that installs their seams on this
// thread. The shared state starts and ends at its start values. Helpers read log files as
// entries, and set and read the registry values the page owns.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "sim/page_host.h"
#include "sim/profile/sample_profile.h"
#include "support/error_log.h"
#include "support/shared_state.h"

namespace bellnest::testing_support {

struct LogEntry {
  int32_t Number = 0;
  std::string Description;
  std::string Source;
  std::string Module;
  std::string Procedure;
  std::string Context;
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

// The sample mailbox's own store, for edits.
inline nlohmann::json& SampleMailbox(nlohmann::json& profile) { return profile["stores"][0]; }

class PageFixture : public ::testing::Test {
 protected:
  PageFixture() { ResetSharedState(); }
  ~PageFixture() override {
    host_.reset();
    ResetSharedState();
    outlook_.reset();
  }

  // Builds the simulated Outlook and the host; an empty text is the sample mailbox.
  void UseProfile(std::string_view json = {}) {
    host_.reset();
    if (json.empty()) {
      outlook_ = std::make_unique<sim::SimulatedOutlook>();
    } else {
      auto loaded = sim::SimulatedOutlook::FromJson(json, "test-profile.json");
      ASSERT_TRUE(loaded.Ok()) << loaded.Error().Description;
      outlook_ = std::move(loaded).Value();
    }
    host_ = std::make_unique<sim::PageHost>(world_, *outlook_);
  }

  // Opens the sample mailbox's page (or the given profile's) and paints it once, as Outlook does.
  void OpenPage(std::string_view json = {}) {
    UseProfile(json);
    if (!host_) return;
    host_->Open();
    host_->Paint();
  }

  sim::SimulatedOutlook& Outlook() { return *outlook_; }
  sim::PageHost& Host() { return *host_; }
  UserControl1& Page() { return host_->Page(); }
  sim::NativeUi& Ui() { return host_->Ui(); }

  // The entries of the log file, oldest first.
  std::vector<LogEntry> Log() { return LogAt(LogFilePath()); }
  // The log that reports go to while LocalDataFolder is still empty: on a fresh thread, set-up
  // reports before start-up has found the local data folder, and the bare file name is
  // relative to the current directory.
  std::vector<LogEntry> EarlyLog() { return LogAt(kLogFileName); }

  std::vector<LogEntry> LogAt(const std::string& windowsPath) {
    std::vector<LogEntry> entries;
    for (const auto& json : host_->LogJson(windowsPath)) {
      LogEntry entry;
      entry.Number = static_cast<int32_t>(std::strtol(json["number"].get<std::string>().c_str(), nullptr, 10));
      entry.Description = json["description"];
      entry.Source = json["source"];
      entry.Module = json["module"];
      entry.Procedure = json["procedure"];
      entry.Context = json["context"];
      entries.push_back(std::move(entry));
    }
    return entries;
  }
  // The entries of one procedure, in order.
  std::vector<LogEntry> LogOf(std::string_view procedure) {
    std::vector<LogEntry> out;
    for (LogEntry& e : Log())
      if (e.Procedure == procedure) out.push_back(std::move(e));
    return out;
  }

  // Registry values under HKEY_CURRENT_USER.
  void SetDword(const std::string& path, const std::string& name, uint32_t value) {
    std::string data;
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    ASSERT_TRUE(world_.Registry().SetValue(kHkeyCurrentUser, path, name, reg::kDword, data));
  }
  void SetOption(const std::string& name, uint32_t value) { SetDword(kProductKeyPath, name, value); }
  // A value as stored, but for the terminating NUL that Windows stores after a string.
  std::optional<sim::RegValue> Value(const std::string& path, const std::string& name) {
    std::optional<sim::RegValue> value = world_.Registry().GetValue(kHkeyCurrentUser, path, name);
    if (value && value->Type == reg::kSz && !value->Data.empty() && value->Data.back() == '\0') value->Data.pop_back();
    return value;
  }
  // A REG_DWORD value as a number; nullopt when missing or of another type.
  std::optional<int64_t> Dword(const std::string& path, const std::string& name) {
    std::optional<sim::RegValue> value = Value(path, name);
    if (!value || value->Type != reg::kDword || value->Data.size() != 4) return std::nullopt;
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<uint8_t>(value->Data[static_cast<size_t>(i)]);
    return n;
  }
  std::optional<int64_t> Option(const std::string& name) { return Dword(kProductKeyPath, name); }

  // The folders of a collection as paths below the store's top folder, in collection order.
  std::vector<std::string> Paths(const FolderCollectionRef& collection) const {
    std::vector<std::string> out;
    if (!collection) return out;
    for (int32_t i = 1; i <= collection->Count(); ++i)
      out.push_back(host_->Describe(collection->KeyAt(i).value_or("")));
    return out;
  }
  std::vector<std::string> Selection() { return Paths(Page().SelectedFolders); }

  sim::NativeWorld world_;
  std::unique_ptr<sim::SimulatedOutlook> outlook_;
  std::unique_ptr<sim::PageHost> host_;
};

}  // namespace bellnest::testing_support
