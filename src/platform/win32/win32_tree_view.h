// The page's folder tree over a comctl32 tree view with check boxes, lines and buttons. It keeps
// the semantics the page relies on (those of the in-memory tree): 1-based indexes in insertion
// order that shift on removal, unique keys, children in case-folded text order under a Sorted
// node, Expand raised synchronously whenever code or the user expands a collapsed node, and
// NodeCheck only for the user's own toggles (a click on the check box or the space key), read
// after the toggle has happened; check marks set by code raise nothing.
//
// comctl32 reports a user's toggle before it happens (NM_CLICK on the state icon, TVN_KEYDOWN
// with space), so the tree posts itself a message and raises NodeCheck when that arrives. It
// tells the user's expansions by TVN_ITEMEXPANDING, which comctl32 sends only while an item has
// never been expanded: the tree clears that mark after every expansion.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "folder_tree/insertion_index.h"
#include "folder_tree/tree_view.h"
#include "platform/win32/windows_api.h"

namespace bellnest::win32 {

class Win32TreeView final : public TreeView, public std::enable_shared_from_this<Win32TreeView> {
 public:
  // Creates the tree as a child of parent, with the product's 13 folder images.
  static std::shared_ptr<Win32TreeView> Create(HWND parent, int controlId, const RECT& bounds);
  ~Win32TreeView() override;
  Win32TreeView(const Win32TreeView&) = delete;
  Win32TreeView& operator=(const Win32TreeView&) = delete;

  HWND Window() const { return hwnd_; }
  // The tree's WM_NOTIFY messages, forwarded by its parent; true when handled (result set).
  bool OnNotify(const NMHDR& header, LRESULT& result);

  void SetEvents(TreeViewEvents* events) override { events_ = events; }
  Status NodesClear() override;
  Result<TreeNodePtr> NodesAdd(std::optional<int32_t> relative, int32_t relationship, const std::string& key,
                               const std::string& text, int32_t image) override;
  Status NodesRemove(int32_t index) override;
  Result<TreeNodePtr> NodesItem(int32_t index) override;
  Result<int32_t> NodesCount() override;
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

  struct NodeData;

 private:
  Win32TreeView() = default;
  friend class Win32TreeNode;

  struct ChildRef {
    std::string sortText;
    uint64_t seq;
    NodeData* node;
    bool operator<(const ChildRef& other) const {
      return sortText != other.sortText ? sortText < other.sortText : seq < other.seq;
    }
  };
  using Children = std::set<ChildRef>;

  static LRESULT CALLBACK MessageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static int CALLBACK CompareItems(LPARAM left, LPARAM right, LPARAM unused);

  TreeNodePtr Handle(NodeData* node);
  NodeData* NodeAt(int32_t index) const;
  NodeData* NodeOf(HTREEITEM item) const;
  void Forget(NodeData* node);
  void Resort(NodeData* node);
  Status Expand(NodeData* node, bool expanded);
  void ForgetExpandedOnce(HTREEITEM item);
  void PostUserToggle(HTREEITEM item);
  void RaiseUserToggle(WPARAM seq, HTREEITEM item);
  void ScheduleFrame();
  void ApplyFrame();

  HWND hwnd_ = nullptr;
  HWND messages_ = nullptr;  // receives the tree's own posted messages
  HIMAGELIST images_ = nullptr;
  TreeViewEvents* events_ = nullptr;
  std::vector<std::shared_ptr<NodeData>> slots_;
  InsertionIndex index_;
  uint64_t nextSeq_ = 1;
  std::unordered_map<std::string, NodeData*> byKey_;
  Children topLevel_;
  HTREEITEM codeExpanding_ = nullptr;
  bool checkboxes_ = true;
  int16_t appearance_ = 1;
  int16_t borderStyle_ = 1;
  bool framePending_ = false;
};

struct Win32TreeView::NodeData {
  std::string key;
  std::string text;  // as added; the control shows it
  int32_t image = 0;
  bool sorted = false;
  bool alive = true;
  size_t slot = 0;
  uint64_t seq = 0;
  HTREEITEM item = nullptr;
  NodeData* parent = nullptr;
  Children children;
  Children::iterator position;
};

// The product's 13 folder images (16 by 16, grey RGB(192,192,192) masked), from the resource.
HIMAGELIST LoadFolderImages();

// The module that holds this code (the DLL or the test program), for its resources and version.
HMODULE ThisModule();

}  // namespace bellnest::win32
