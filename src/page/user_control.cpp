// UserControl1. Every handler runs under its own trap; only InitProperties, Apply and
// SetDirty report what is still pending at their end, the others discard it.
#include "page/user_control.h"

#include "folder_tree/pick_folders.h"
#include "host/invoke.h"
#include "page/about_dialog.h"
#include "session/outlook_session.h"
#include "support/error_log.h"
#include "support/error_trap.h"
#include "support/platform.h"
#include "support/registry.h"

namespace bellnest {

namespace {

// Trim, as the run-time's Trim: spaces only.
bool BlankAfterTrim(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

bool IsRefusedType(int16_t type) {
  return type == image::kHidden || type == image::kStore || type == image::kPlainFolder;
}

}  // namespace

UserControl1::UserControl1(PageControls controls) : controls_(std::move(controls)) {
  controls_.TreeView1->SetEvents(this);
  if (controls_.chkSubfolders) controls_.chkSubfolders->SetClickHandler([this] { chkSubfolders_Click(); });
  if (controls_.chkDefaultFolders) controls_.chkDefaultFolders->SetClickHandler([this] { chkDefaultFolders_Click(); });
}

UserControl1::~UserControl1() {
  controls_.TreeView1->SetEvents(nullptr);
  if (controls_.chkSubfolders) controls_.chkSubfolders->SetClickHandler(nullptr);
  if (controls_.chkDefaultFolders) controls_.chkDefaultFolders->SetClickHandler(nullptr);
}

void UserControl1::ExpandFirstNode(bool expanded) {
  Result<TreeNodePtr> first = TreeView1().NodesItem(1);
  if (first.Ok() && first.Value()) (void)first.Value()->PutExpanded(expanded);
}

// ---- PropertyPage -------------------------------------------------------------------------

void UserControl1::GetPageInfo(std::string& helpFile, int32_t& helpContext) {
  helpFile = State().HelpFilePath;
  helpContext = kHelpContext;
}

bool UserControl1::Dirty() { return IsDirty; }

void UserControl1::Apply() {
  ErrorTrap trap(kUserControlModule, "PropertyPage_Apply");
  SharedState& state = State();
  IsDirty = false;
  trap.Take(Call(state.RemindersSearchFolder, &RdoSearchFolder::Stop));

  state.DisableDefaultFoldersFlag = DisableDefaultFoldersOption;
  WriteRegistryValue(kHkeyCurrentUser, kProductKeyPath, "DisableDefaultFolders",
                     static_cast<int32_t>(DisableDefaultFoldersOption ? 1 : 0), reg::kDword);
  state.IncludeSubfoldersFlag = IncludeSubfoldersOption;
  WriteRegistryValue(kHkeyCurrentUser, kProductKeyPath, "IncludeSubfolders",
                     static_cast<int32_t>(IncludeSubfoldersOption ? 1 : 0), reg::kDword);

  // Rebuild the scope from the selection: remove from the highest position down, then add in
  // the selection's order.
  const RdoSearchContainersPtr& containers = state.SearchContainers;
  int32_t count = 0;
  trap.Take(Call(containers, &RdoSearchContainers::Count), count);
  for (int32_t i = count; i >= 1; --i) trap.Take(Call(containers, &RdoSearchContainers::Remove, i));
  if (SelectedFolders) {
    for (int32_t i = 1; i <= SelectedFolders->Count(); ++i) {
      RdoFolderPtr folder;
      if (!trap.Take(SelectedFolders->Item(i), folder)) continue;
      // A missing scope object has failed Count above already.
      if (containers) trap.Take(containers->Add(folder));
    }
  } else {
    trap.Raise(RuntimeError(err::kObjectNotSet));
  }
  trap.Take(Call(state.RemindersSearchFolder, &RdoSearchFolder::Start));

  // From here on the selection and the reminder folder set are one collection.
  state.RemindersCollection = SelectedFolders;
  LoadReminderFolders(TreeView1());
  TreeNodePtr first;
  if (trap.Take(TreeView1().NodesItem(1), first)) trap.Take(Call(first, &TreeNode::PutExpanded, true));
  trap.ReportIfPending("Error");
}

// ---- Control events -----------------------------------------------------------------------

void UserControl1::UserControl_Initialize() {
  IsDirty = false;
  FirstPaintPending = true;
}

void UserControl1::UserControl_InitProperties() {
  ErrorTrap trap(kUserControlModule, "UserControl_InitProperties");
  SharedState& state = State();

  trap.Take(Call(controls_.Container, &PageContainer::Parent), PageSite);
  IsDirty = false;
  IsInitializing = true;

  trap.Take(Call(PageSite, &PropertyPageSite::Application), state.OutlookApp);
  if (!state.OutlookApp) {
    trap.Clear();
    trap.Report("Could not get Outlook.Application object");
  }
  trap.Clear();

  // The companion add-in knows whether Outlook works online.
  DispatchPtr addIn;
  {
    ComAddInsPtr addIns;
    ComAddInPtr entry;
    if (trap.Take(Call(state.OutlookApp, &Application::COMAddIns), addIns) &&
        trap.Take(Call(addIns, &ComAddIns::Item, std::string(kAddInProgId)), entry)) {
      trap.Take(Call(entry, &ComAddIn::Object), addIn);
    }
  }
  if (trap.Pending()) trap.Report("Could not get COM add-in object");
  trap.Clear();
  if (!addIn) {
    trap.Report("Could not get COM add-in object's public class");
  } else {
    // PPClass must be an object: a value of another kind fails as taking it for one does.
    Variant ppClass;
    DispatchPtr ppObject;
    if (trap.Take(addIn->GetProperty("PPClass"), ppClass)) {
      if (auto* object = std::get_if<DispatchPtr>(&ppClass)) {
        ppObject = *object;
      } else {
        trap.Raise(RuntimeError(err::kObjectRequired));
      }
    }
    if (trap.Pending()) trap.Report("Could not get COM add-in object's public class");
    Variant online;
    if (trap.Take(Call(ppObject, &Dispatch::GetProperty, std::string_view("Online")), online)) {
      trap.Take(ToBoolean(online), state.OutlookOnline);
    }
  }

  InitHandler();

  trap.Take(TreeView1().PutCheckboxes(true));
  SelectedFolders = FolderCollection::Create();
  FolderCollection& set = RemindersCollection();
  const int32_t count = set.Count();
  for (int32_t i = 1; i <= count; ++i) {
    RdoFolderPtr folder;
    if (!trap.Take(set.Item(i), folder)) continue;
    // A folder of no store is left out. One whose StoreID cannot be read counts as having a
    // store: the add is tried and reads the key afresh, so a passing failure loses no folder
    // (it would stay ticked in the tree but drop out of the scope and the stored set).
    Result<std::string> storeId = Call(folder, &RdoFolder::StoreID);
    if (!trap.TestThat(storeId, [](const std::string& id) { return !id.empty(); })) continue;
    if (!storeId.Ok()) storeId = Call(folder, &RdoFolder::StoreID);
    std::string keyStoreId;
    std::string entryId;
    if (trap.Take(storeId, keyStoreId) && trap.Take(folder->EntryID(), entryId)) {
      trap.Take(SelectedFolders->Add(folder, MakeFolderKey(keyStoreId, entryId)));
    }
  }

  LoadReminderFolders(TreeView1());
  TreeNodePtr first;
  if (trap.Take(TreeView1().NodesItem(1), first)) trap.Take(Call(first, &TreeNode::PutExpanded, false));

  state.HelpFilePath = Codec().FromAnsi(Shell().LibraryFolder()) + kHelpFileName;

  DisableDefaultFoldersOption = state.DisableDefaultFoldersFlag;
  trap.Take(Call(controls_.chkDefaultFolders, &CheckBox::PutValue,
                 static_cast<int16_t>(DisableDefaultFoldersOption ? 1 : 0)));
  IncludeSubfoldersOption = state.IncludeSubfoldersFlag;
  trap.Take(Call(controls_.chkSubfolders, &CheckBox::PutValue, static_cast<int16_t>(IncludeSubfoldersOption ? 1 : 0)));

  IsInitializing = false;
  IsDirty = false;
  trap.ReportIfPending("Error in UserControl_InitProperties");
}

void UserControl1::UserControl_Show() { RefreshTree(); }

void UserControl1::UserControl_Paint() {
  if (FirstPaintPending) {
    ExpandFirstNode(true);
    FirstPaintPending = false;
  }
  RefreshTree();
}

void UserControl1::UserControl_EnterFocus() { RefreshTree(); }

void UserControl1::UserControl_GotFocus() { RefreshTree(); }

void UserControl1::UserControl_KeyDown(int16_t /*keyCode*/, int16_t /*shift*/) {}

void UserControl1::UserControl_Terminate() {
  UiApi& ui = Ui();
  if (const intptr_t helpWindow = ui.FindWindowA(kHelpWindowClass, kHelpWindowTitle); helpWindow != 0) {
    uintptr_t ignored = 0;
    ui.SendMessageTimeoutA(helpWindow, ui::kWmClose, 0, 0, ui::kSmtoBlock, kHelpCloseTimeoutMs, &ignored);
    ui.DoEvents();
    const uint32_t start = ui.GetTickCount();
    while (ui.FindWindowA(kHelpWindowClass, kHelpWindowTitle) != 0) {
      if (ui.GetTickCount() - start >= kHelpWindowWaitLimitMs) {
        LogError(ErrorInfo{}, kUserControlModule, "UserControl_Terminate",
                 "The help window did not close; the page closes without waiting for it");
        break;
      }
      ui.DoEvents();
    }
  }
  (void)TreeView1().PutCheckboxes(false);
  ExitHandler();
  PageSite.reset();
  SelectedFolders.reset();
}

void UserControl1::chkDefaultFolders_Click() {
  if (IsInitializing) return;
  Result<int16_t> value = Call(controls_.chkDefaultFolders, &CheckBox::Value);
  if (value.Ok()) DisableDefaultFoldersOption = value.Value() == 1;
}

void UserControl1::chkSubfolders_Click() {
  if (IsInitializing) return;
  Result<int16_t> value = Call(controls_.chkSubfolders, &CheckBox::Value);
  if (value.Ok()) IncludeSubfoldersOption = value.Value() == 1;
}

void UserControl1::cmdHelp_Click() {
  Ui().HtmlHelpA(0, Codec().ToAnsi(State().HelpFilePath), ui::kHhHelpContext, static_cast<uintptr_t>(kHelpContext));
}

void UserControl1::cmdAbout_Click() { AboutDialog().Show(); }

// ---- Dirty state --------------------------------------------------------------------------

void UserControl1::SetDirty() {
  ErrorTrap trap(kUserControlModule, "SetDirty");
  if (PageSite && !IsInitializing && !IsRefreshingTree) {
    IsDirty = true;
    trap.Take(PageSite->OnStatusChange());
  }
  trap.ReportIfPending("Error in SetDirty");
}

// ---- Tree ---------------------------------------------------------------------------------

void UserControl1::TreeView1_Expand(const TreeNodePtr& node) {
  ErrorTrap trap(kUserControlModule, "TreeView1_Expand");
  // Whatever was loaded below the node goes; the loop stops when a step fails, since it could
  // then never make progress.
  for (;;) {
    TreeNodePtr child;
    int32_t index = 0;
    if (!trap.Take(Call(node, &TreeNode::Child), child) || !child) break;
    if (!trap.Take(child->Index(), index) || !trap.Take(TreeView1().NodesRemove(index))) break;
  }

  std::string key;
  trap.Take(Call(node, &TreeNode::Key), key);
  std::string entryId;
  std::string storeId;
  SplitFolderKey(key, entryId, storeId);
  if (!BlankAfterTrim(entryId) && !BlankAfterTrim(storeId)) {
    MapiFolderPtr folder;
    trap.Take(Call(State().MAPINameSpace, &NameSpace::GetFolderFromID, entryId, storeId), folder);
    int32_t index = 0;
    if (trap.Take(Call(node, &TreeNode::Index), index)) AddSubfolderNodes(folder, index, TreeView1());
  }
  trap.Clear();
}

void UserControl1::TreeView1_NodeCheck(const TreeNodePtr& node) {
  ProcessNodeCheck(node);
  SetDirty();
}

void UserControl1::ProcessNodeCheck(const TreeNodePtr& node) {
  ErrorTrap trap(kUserControlModule, "ProcessNodeCheck");
  const SharedState& state = State();

  bool checked = false;
  std::string key;
  trap.Take(Call(node, &TreeNode::Checked), checked);
  trap.Take(Call(node, &TreeNode::Key), key);
  std::string entryId;
  std::string storeId;
  SplitFolderKey(key, entryId, storeId);

  MapiFolderPtr outlookFolder;
  std::string folderEntryId;
  std::string folderStoreId;
  if (trap.Take(Call(state.MAPINameSpace, &NameSpace::GetFolderFromID, entryId, storeId), outlookFolder)) {
    trap.Take(Call(outlookFolder, &MapiFolder::EntryID), folderEntryId);
    trap.Take(Call(outlookFolder, &MapiFolder::StoreID), folderStoreId);
  }
  RdoFolderPtr folder;
  if (outlookFolder) trap.Take(Call(state.Session, &RdoSession::GetFolderFromID, folderEntryId, folderStoreId), folder);
  const int16_t type = GetMailFolderType(folder);

  std::string selectionKey;
  {
    std::string rdoStoreId;
    std::string rdoEntryId;
    if (trap.Take(Call(folder, &RdoFolder::StoreID), rdoStoreId) &&
        trap.Take(Call(folder, &RdoFolder::EntryID), rdoEntryId)) {
      selectionKey = MakeFolderKey(rdoStoreId, rdoEntryId);
    }
  }
  if (!SelectedFolders) SelectedFolders = FolderCollection::Create();
  const bool found = !selectionKey.empty() && SelectedFolders->Contains(selectionKey);

  // "Include Subfolders" is read afresh for every node; a failing read counts as on.
  auto cascade = [&]() {
    Result<int16_t> option = Call(controls_.chkSubfolders, &CheckBox::Value);
    Result<int32_t> children = Call(node, &TreeNode::Children);
    if (!option.Ok()) return trap.Test(option.Error());
    if (!children.Ok()) return trap.Test(children.Error());
    return option.Value() == 1 && children.Value() > 0;
  };
  auto visitChildren = [&](bool check) {
    TreeNodePtr child;
    trap.Take(Call(node, &TreeNode::Child), child);
    while (child) {
      trap.Take(child->PutChecked(check));
      ProcessNodeCheck(child);
      TreeNodePtr next;
      if (!trap.Take(child->Next(), next)) break;
      child = next;
    }
  };

  if (checked) {
    if (IsRefusedType(type)) {
      trap.Take(Call(node, &TreeNode::PutChecked, false));
      Ui().DoEvents();
    } else if (!found && folder) {
      trap.Take(SelectedFolders->Add(folder, selectionKey));
    }
    if (cascade()) {
      // Expanding a collapsed node reloads its children at once, so the real subfolders are
      // visited, not the placeholder.
      trap.Take(Call(node, &TreeNode::PutExpanded, true));
      visitChildren(true);
    }
  } else {
    if (!IsRefusedType(type) && found) {
      // When the selected folder's EntryID cannot be read the removal still runs: a folder the
      // user cleared must not reach the scope and the stored set.
      RdoFolderPtr item;
      trap.Take(SelectedFolders->Item(selectionKey), item);
      if (trap.TestThat(Call(item, &RdoFolder::EntryID), [&](const std::string& id) { return id == entryId; })) {
        trap.Take(SelectedFolders->Remove(selectionKey));
      }
    }
    if (cascade()) {
      // The root stays expanded; every other node of the subtree collapses. A node that cannot
      // be told from the root counts as the root: it stays open rather than folding away.
      auto isRoot = [&]() -> Result<bool> {
        Result<TreeNodePtr> root = Call(node, &TreeNode::Root);
        if (!root.Ok()) return root.Error();
        Result<int32_t> rootIndex = Call(root.Value(), &TreeNode::Index);
        if (!rootIndex.Ok()) return rootIndex.Error();
        Result<int32_t> ownIndex = Call(node, &TreeNode::Index);
        if (!ownIndex.Ok()) return ownIndex.Error();
        return rootIndex.Value() == ownIndex.Value();
      };
      trap.Take(Call(node, &TreeNode::PutExpanded, trap.Test(isRoot())));
      visitChildren(false);
    }
  }
  trap.Clear();
}

void UserControl1::RefreshTree() {
  ErrorTrap trap(kUserControlModule, "RefreshTree");
  TreeView& tree = TreeView1();
  IsRefreshingTree = true;
  int16_t appearance = 0;
  int16_t borderStyle = 0;
  trap.Take(tree.Appearance(), appearance);
  trap.Take(tree.BorderStyle(), borderStyle);
  trap.Take(tree.PutAppearance(0));
  trap.Take(tree.PutBorderStyle(0));
  TreeNodePtr root;
  if (trap.Take(tree.NodesItem(1), root)) trap.Take(tree.PutSelectedItem(root));
  trap.Take(tree.ContainerSetFocus());
  trap.Take(tree.Refresh());
  trap.Take(tree.PutAppearance(appearance));
  trap.Take(tree.PutBorderStyle(borderStyle));
  trap.Take(tree.Refresh());
  IsRefreshingTree = false;
  trap.Clear();
}

}  // namespace bellnest
