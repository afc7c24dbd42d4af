// The page's folder tree over a comctl32 tree view with check boxes, lines and buttons: the
// shared tree model (indexes, keys, sorting, removal) shown by the control, which holds each
// node's text, check mark and expansion. Expand is raised synchronously whenever code or the
// user expands a collapsed node, and NodeCheck only for the user's own toggles (a click on the
// check box or the space key), read after the toggle has happened; check marks set by code
// raise nothing.
//
// comctl32 reports a user's toggle before it happens (NM_CLICK on the state icon, TVN_KEYDOWN
// with space), so the tree posts itself a message and raises NodeCheck when that arrives. It
// tells the user's expansions by TVN_ITEMEXPANDING, which comctl32 sends only while an item has
// never been expanded: the tree clears that mark after every expansion.
#pragma once

#include <memory>

#include "folder_tree/tree_model.h"
#include "platform/win32/window_class.h"
#include "platform/win32/windows_api.h"

namespace bellnest::win32 {

class Win32TreeView final : public TreeModel {
 public:
  // Creates the tree as a child of parent, with the product's 13 folder images.
  static std::shared_ptr<Win32TreeView> Create(HWND parent, int controlId, const RECT& bounds);
  ~Win32TreeView() override;
  Win32TreeView(const Win32TreeView&) = delete;
  Win32TreeView& operator=(const Win32TreeView&) = delete;

  HWND Window() const { return hwnd_; }
  // The tree's WM_NOTIFY messages, forwarded by its parent; true when handled (result set).
  bool OnNotify(const NMHDR& header, LRESULT& result);

  Status PutCheckboxes(bool on) override;
  Result<int16_t> Appearance() override { return appearance_; }
  Status PutAppearance(int16_t appearance) override;
  Result<int16_t> BorderStyle() override { return borderStyle_; }
  Status PutBorderStyle(int16_t style) override;
  Status PutSelectedItem(const TreeNodePtr& node) override;
  Status Refresh() override;
  Status ContainerSetFocus() override;

  // The comctl32 item of a node, for tests that click at it.
  HTREEITEM ItemOf(int32_t index) const;

 private:
  Win32TreeView();

  struct Item : Node {
    HTREEITEM item = nullptr;
  };
  static HTREEITEM TreeItem(const Node& node) { return static_cast<const Item&>(node).item; }

  static WNDCLASSEXW MessageClass();
  static LRESULT CALLBACK MessageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static int CALLBACK CompareItems(LPARAM left, LPARAM right, LPARAM unused) noexcept;

  std::shared_ptr<Node> NewNode() override { return std::make_shared<Item>(); }
  Status Show(Node& node) override;
  void Hide(Node* node) override;
  void Reordered(Node& node) override;
  Result<std::string> TextOf(Node& node) override;
  TreeNodePtr ChildOf(Node& node) override;
  TreeNodePtr NextOf(Node& node) override;
  bool IsChecked(Node& node) override;
  void SetChecked(Node& node, bool checked) override;
  bool IsExpanded(Node& node) override;
  void SetExpanded(Node& node, bool expanded) override;

  Node* NodeOf(HTREEITEM item) const;
  TreeNodePtr Wrap(HTREEITEM item);
  void SetCheckboxStyle(bool on);
  void DropStateImages();
  void ForgetExpandedOnce(HTREEITEM item);
  void PostUserToggle(HTREEITEM item);
  void RaiseUserToggle(WPARAM seq, HTREEITEM item);
  void ScheduleFrame();
  void ApplyFrame();

  WindowClassUse messageClass_;
  HWND hwnd_ = nullptr;
  HWND messages_ = nullptr;  // receives the tree's own posted messages
  HIMAGELIST images_ = nullptr;
  HTREEITEM codeExpanding_ = nullptr;
  bool checkboxes_ = true;
  int16_t appearance_ = 1;
  int16_t borderStyle_ = 1;
  bool framePending_ = false;
};

// The product's 13 folder images (16 by 16 at 96 DPI, grown with the screen's DPI; grey
// RGB(192,192,192) masked), from the resource.
HIMAGELIST LoadFolderImages();
// Destroys an image list of the page's (none: nothing).
void DestroyImageList(HIMAGELIST images);

// The module that holds this code (the DLL or the test program), for its resources and version.
HMODULE ThisModule();

}  // namespace bellnest::win32
