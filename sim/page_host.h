// Hosts one options-page session in the native world, as Outlook hosts the control: it owns
// the page's controls (in-memory tree, check boxes, container), installs the seams (native
// world, simulated Outlook, recording user interface) on this thread, raises the control's
// events, acts as the user (ticks, expands, clicks) and reports the whole observable state as
// JSON. The page driver and the page tests stand on it.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "page/user_control.h"
#include "sim/memory_controls.h"
#include "sim/memory_tree.h"
#include "sim/native_ui.h"
#include "sim/native_world.h"
#include "sim/page_session.h"
#include "sim/profile/simulated_outlook.h"
#include "support/error_log.h"
#include "support/platform.h"

namespace bellnest::sim {

// The values below the product's key in HKEY_CURRENT_USER, key by key, as the state shows them.
nlohmann::json ProductRegistryJson(const MemoryRegistry& registry, TextCodec& codec);

class PageHost final : public PageSession {
 public:
  PageHost(NativeWorld& world, SimulatedOutlook& outlook);
  ~PageHost();
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  // Outlook creates the control (Initialize, InitProperties) and, later, destroys it (Terminate).
  // Opening again after a close is a new control with new child controls and a new page site,
  // on the same thread, as when the user opens Outlook's Options dialog once more.
  void Open() override;
  void Close() override;
  bool IsOpen() const override { return page_ != nullptr; }
  // The host objects alive right after the last Terminate, before the control was destroyed.
  int LiveAtTerminate() const { return liveAtTerminate_; }
  UserControl1& Page() { return *page_; }

  // Events Outlook raises on an open page; false when no page is open.
  bool Show() override;
  bool Paint() override;
  bool EnterFocus() override;
  bool GotFocus() override;
  bool Apply() override;
  bool Help() override;
  bool About() override;

  // The user's actions. A node is named by its folder path below the store's top folder
  // ("Inbox/Projects", "" or "/" for the top) or by "id:<entry id>".
  bool Dirty() override { return page_ && page_->Dirty(); }
  Status Tick(std::string_view node, bool checked) override;
  Status Expand(std::string_view node, bool expanded) override;
  Status ClickSubfolders() override;
  Status ClickDefaultFolders() override;
  void Pump() override { ui_.DoEvents(); }
  Status SetContainer(std::string_view, std::string_view) override { return {}; }
  Status SetHelpCloseDelay(int passes) override {
    ui_.SetHelpCloseDelay(passes);
    return {};
  }
  // The native page draws nothing: refused with a message.
  Status Screenshot(const std::filesystem::path& file) override;
  std::optional<AboutBoxTexts> LastAboutBox() const override;

  Result<int32_t> NodeIndex(std::string_view node);

  MemoryTree& Tree() { return *tree_; }
  MemoryCheckBox& Subfolders() { return *subfolders_; }
  MemoryCheckBox& DefaultFolders() { return *defaultFolders_; }
  NativeUi& Ui() { return ui_; }
  NativeWorld& World() { return world_; }
  SimulatedOutlook& Outlook() override { return outlook_; }

  // What GetPageInfo answers (help file and topic) on an open page; null when none is open.
  nlohmann::json PageInfoJson() override;
  nlohmann::json StateJson() override;
  nlohmann::json LogJson() const override { return LogJson(LogFilePath()); }
  // The entries of another log file, by its Windows path.
  nlohmann::json LogJson(const std::string& windowsPath) const;
  std::string TreeText() const override { return tree_->Render(); }

 private:
  Platform Seams();
  nlohmann::json NodeJson(const TreeNodePtr& node);

  NativeWorld& world_;
  SimulatedOutlook& outlook_;
  NativeUi ui_;
  ScopedPlatform platform_;
  std::shared_ptr<MemoryTree> tree_;
  std::shared_ptr<MemoryCheckBox> subfolders_;
  std::shared_ptr<MemoryCheckBox> defaultFolders_;
  std::shared_ptr<MemoryPageContainer> container_;
  std::unique_ptr<UserControl1> page_;
  int liveAtTerminate_ = 0;
};

}  // namespace bellnest::sim
