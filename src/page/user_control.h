// UserControl1: the options page that Outlook shows as a tab of its Options dialog. It
// implements Outlook's PropertyPage (GetPageInfo, Dirty, Apply), owns the folder tree
// (TreeView1), the two option check boxes, the working selection of reminder-enabled folders
// and the dirty state, and handles the control's and the tree's events.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "folder_tree/tree_view.h"
#include "host/outlook.h"
#include "page/page_controls.h"
#include "support/shared_state.h"

namespace bellnest {

inline constexpr const char* kUserControlModule = "UserControl1";
inline constexpr const char* kAddInProgId = "Bellnest.Connect";
inline constexpr const char* kHelpFileName = "\\bellnest.chm";
inline constexpr int32_t kHelpContext = 1050;
inline constexpr const char* kHelpWindowClass = "HH Parent";
inline constexpr const char* kHelpWindowTitle = "Bellnest Help";
inline constexpr uint32_t kHelpCloseTimeoutMs = 2000;
// How long Terminate waits for the help window to go before it gives up and logs it: an
// unbounded wait would hang Outlook's Options dialog on a help window that never closes.
inline constexpr uint32_t kHelpWindowWaitLimitMs = 10000;

struct PageControls {
  std::shared_ptr<TreeView> TreeView1;
  std::shared_ptr<CheckBox> chkSubfolders;
  std::shared_ptr<CheckBox> chkDefaultFolders;
  std::shared_ptr<PageContainer> Container;
};

class UserControl1 : public TreeViewEvents {
 public:
  explicit UserControl1(PageControls controls);
  ~UserControl1() override;
  UserControl1(const UserControl1&) = delete;
  UserControl1& operator=(const UserControl1&) = delete;

  // PropertyPage, called by Outlook.
  void GetPageInfo(std::string& helpFile, int32_t& helpContext);
  bool Dirty();
  void Apply();

  // Control events.
  void UserControl_Initialize();
  void UserControl_InitProperties();
  void UserControl_Show();
  void UserControl_Paint();
  void UserControl_EnterFocus();
  void UserControl_GotFocus();
  void UserControl_KeyDown(int16_t keyCode, int16_t shift);
  void UserControl_Terminate();
  void chkDefaultFolders_Click();
  void chkSubfolders_Click();
  void cmdHelp_Click();
  void cmdAbout_Click();

  // Tree events.
  void TreeView1_Expand(const TreeNodePtr& node) override;
  void TreeView1_NodeCheck(const TreeNodePtr& node) override;

  void SetDirty();
  void ProcessNodeCheck(const TreeNodePtr& node);
  // Repaints the tree with a flat look for a moment; SetDirty does nothing meanwhile.
  void RefreshTree();

  TreeView& TreeView1() { return *controls_.TreeView1; }

  // Page state.
  PropertyPageSitePtr PageSite;
  bool IsDirty = false;
  bool IsInitializing = false;
  bool IsRefreshingTree = false;
  FolderCollectionRef SelectedFolders;
  bool DisableDefaultFoldersOption = false;
  bool IncludeSubfoldersOption = false;
  bool FirstPaintPending = false;

 private:
  void ExpandFirstNode(bool expanded);

  PageControls controls_;
};

}  // namespace bellnest
