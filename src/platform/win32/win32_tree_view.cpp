// The comctl32 folder tree.
#include "platform/win32/win32_tree_view.h"

#include <algorithm>
#include <iterator>

#include "platform/win32/guarded.h"
#include "platform/win32/gui_tally.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/win32_codec.h"

namespace bellnest::win32 {

namespace {

constexpr int kImageSize = 16;
constexpr int kImageCount = 13;
constexpr COLORREF kImageMask = RGB(192, 192, 192);
constexpr const wchar_t* kMessageWindowClass = L"BellnestTreeMessages";
// Posted to the tree's message window after comctl32 has announced a user's toggle; wParam is
// the node's sequence number (so a node removed meanwhile is not mistaken for a new one),
// lParam its item. (A message-only window, not a subclass of the tree: Wine's subclassing
// makes every insertion several times slower.)
constexpr UINT kUserToggled = WM_APP + 0x4E1;
// Posted once after Appearance or BorderStyle changed: the window takes the frame they give
// when the message comes (see ApplyFrame).
constexpr UINT kFrameChanged = WM_APP + 0x4E2;

UINT ItemState(HWND tree, HTREEITEM item, UINT mask) {
  return static_cast<UINT>(::SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
}

void SetItemState(HWND tree, HTREEITEM item, UINT mask, UINT state) {
  TVITEMW tv = {};
  tv.mask = TVIF_STATE;
  tv.hItem = item;
  tv.stateMask = mask;
  tv.state = state;
  ::SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

HTREEITEM NextItem(HWND tree, HTREEITEM item, UINT relation) {
  return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

}  // namespace

HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

HIMAGELIST LoadFolderImages() {
  // The 16-pixel pictures grow with the screen's DPI, pixel for pixel: smoothing would blend
  // the mask colour into their edges.
  HDC screen = ::GetDC(nullptr);
  const int size = std::max(kImageSize, ::MulDiv(kImageSize, ::GetDeviceCaps(screen, LOGPIXELSY), 96));
  HIMAGELIST images =
      Tallied(GuiObject::ImageList, ::ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, kImageCount, 0));
  auto* bitmap = Tallied(GuiObject::Bitmap,
                         static_cast<HBITMAP>(::LoadImageW(ThisModule(), MAKEINTRESOURCEW(BELLNEST_IDB_FOLDER_IMAGES),
                                                           IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (images && bitmap && size != kImageSize) {
    HDC from = ::CreateCompatibleDC(screen);
    HDC to = ::CreateCompatibleDC(screen);
    HBITMAP grown = Tallied(GuiObject::Bitmap, ::CreateCompatibleBitmap(screen, size * kImageCount, size));
    HGDIOBJ oldFrom = ::SelectObject(from, bitmap);
    HGDIOBJ oldTo = ::SelectObject(to, grown);
    ::SetStretchBltMode(to, COLORONCOLOR);
    ::StretchBlt(to, 0, 0, size * kImageCount, size, from, 0, 0, kImageSize * kImageCount, kImageSize, SRCCOPY);
    ::SelectObject(from, oldFrom);
    ::SelectObject(to, oldTo);
    ::DeleteDC(from);
    ::DeleteDC(to);
    if (::DeleteObject(bitmap)) TallyDestroyed(GuiObject::Bitmap);
    bitmap = grown;
  }
  ::ReleaseDC(nullptr, screen);
  if (images && bitmap) ::ImageList_AddMasked(images, bitmap, kImageMask);
  if (bitmap && ::DeleteObject(bitmap)) TallyDestroyed(GuiObject::Bitmap);
  return images;
}

void DestroyImageList(HIMAGELIST images) {
  if (images && ::ImageList_Destroy(images)) TallyDestroyed(GuiObject::ImageList);
}

WNDCLASSEXW Win32TreeView::MessageClass() {
  WNDCLASSEXW messageClass = {};
  messageClass.cbSize = sizeof messageClass;
  messageClass.lpfnWndProc = &MessageProc;
  messageClass.hInstance = ThisModule();
  messageClass.lpszClassName = kMessageWindowClass;
  return messageClass;
}

Win32TreeView::Win32TreeView() : TreeModel(kImageCount), messageClass_(MessageClass()) {}

std::shared_ptr<Win32TreeView> Win32TreeView::Create(HWND parent, int controlId, const RECT& bounds) {
  std::shared_ptr<Win32TreeView> tree(new Win32TreeView());
  tree->hwnd_ =
      ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | TVS_HASLINES | TVS_LINESATROOT |
                            TVS_HASBUTTONS | TVS_SHOWSELALWAYS,
                        bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), ThisModule(), nullptr);
  if (!tree->hwnd_) return nullptr;
  // Check boxes are switched on after creation and before the first item: given at creation,
  // comctl32 makes their images at the first paint and then clears every check mark that code
  // set before it.
  tree->SetCheckboxStyle(true);
  tree->images_ = LoadFolderImages();
  ::SendMessageW(tree->hwnd_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(tree->images_));
  tree->messages_ =
      ::CreateWindowExW(0, kMessageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule(), nullptr);
  ::SetWindowLongPtrW(tree->messages_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(tree.get()));
  return tree;
}

Win32TreeView::~Win32TreeView() {
  if (messages_) ::DestroyWindow(messages_);
  if (::IsWindow(hwnd_)) {
    DropStateImages();
    ::DestroyWindow(hwnd_);
  }
  DestroyImageList(images_);
}

void Win32TreeView::SetCheckboxStyle(bool on) {
  const LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
  ::SetWindowLongPtrW(hwnd_, GWL_STYLE,
                      on ? (style | TVS_CHECKBOXES) : (style & ~static_cast<LONG_PTR>(TVS_CHECKBOXES)));
  // comctl32 makes the check boxes' image list when the style comes and never destroys it: it
  // is ours to count, and to destroy when the style or the tree goes.
  if (on) {
    Tallied(GuiObject::ImageList, ::SendMessageW(hwnd_, TVM_GETIMAGELIST, TVSIL_STATE, 0));
  } else {
    DropStateImages();
  }
}

void Win32TreeView::DropStateImages() {
  DestroyImageList(reinterpret_cast<HIMAGELIST>(::SendMessageW(hwnd_, TVM_SETIMAGELIST, TVSIL_STATE, 0)));
}

LRESULT CALLBACK Win32TreeView::MessageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* tree = reinterpret_cast<Win32TreeView*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!tree || (message != kUserToggled && message != kFrameChanged)) {
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  // The check handling runs from here, on the way back from user32: nothing may unwind into it.
  return Guarded(message == kUserToggled ? "TreeView1_NodeCheck" : "TreeView1.Refresh", LRESULT{0}, [&] {
    if (message == kFrameChanged) {
      tree->ApplyFrame();
    } else {
      // The handler may release the page and with it the tree; keep it alive for the call.
      std::shared_ptr<TreeModel> keep = tree->shared_from_this();
      tree->RaiseUserToggle(wParam, reinterpret_cast<HTREEITEM>(lParam));
    }
    return LRESULT{0};
  });
}

int CALLBACK Win32TreeView::CompareItems(LPARAM left, LPARAM right, LPARAM) noexcept {
  const auto* a = reinterpret_cast<const Node*>(left);
  const auto* b = reinterpret_cast<const Node*>(right);
  if (*a->position < *b->position) return -1;
  return *b->position < *a->position ? 1 : 0;
}

TreeModel::Node* Win32TreeView::NodeOf(HTREEITEM item) const {
  if (!item) return nullptr;
  TVITEMW tv = {};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  if (!::SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return nullptr;
  auto* node = reinterpret_cast<Node*>(tv.lParam);
  return node && node->alive && TreeItem(*node) == item ? node : nullptr;
}

TreeNodePtr Win32TreeView::Wrap(HTREEITEM item) {
  Node* node = NodeOf(item);
  return node ? Handle(node) : TreeNodePtr{};
}

HTREEITEM Win32TreeView::ItemOf(int32_t index) const {
  Node* node = NodeAt(index);
  return node ? TreeItem(*node) : nullptr;
}

Result<std::string> Win32TreeView::TextOf(Node& node) {
  wchar_t buffer[1024] = {};
  TVITEMW tv = {};
  tv.mask = TVIF_TEXT;
  tv.hItem = TreeItem(node);
  tv.pszText = buffer;
  tv.cchTextMax = static_cast<int>(std::size(buffer));
  ::SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
  return WideToUtf8(tv.pszText ? tv.pszText : L"");
}

// Child and Next read the control itself, so they give what the user sees.
TreeNodePtr Win32TreeView::ChildOf(Node& node) { return Wrap(NextItem(hwnd_, TreeItem(node), TVGN_CHILD)); }
TreeNodePtr Win32TreeView::NextOf(Node& node) { return Wrap(NextItem(hwnd_, TreeItem(node), TVGN_NEXT)); }

bool Win32TreeView::IsChecked(Node& node) {
  return ItemState(hwnd_, TreeItem(node), TVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

void Win32TreeView::SetChecked(Node& node, bool checked) {
  SetItemState(hwnd_, TreeItem(node), TVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1));
}

bool Win32TreeView::IsExpanded(Node& node) {
  return (ItemState(hwnd_, TreeItem(node), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void Win32TreeView::Hide(Node* node) {
  ::SendMessageW(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node ? TreeItem(*node) : TVI_ROOT));
}

Status Win32TreeView::Show(Node& node) {
  // Inserting after the sibling that precedes it keeps the control's order without comctl32's
  // own sorted insertion, which walks every sibling.
  const Children& siblings = ChildrenOf(node.parent);
  HTREEITEM after = node.position == siblings.begin() ? TVI_FIRST : TreeItem(*std::prev(node.position)->node);

  std::wstring wide = Utf8ToWide(node.text);
  TVINSERTSTRUCTW insert = {};
  insert.hParent = node.parent ? TreeItem(*node.parent) : TVI_ROOT;
  insert.hInsertAfter = after;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
  insert.item.pszText = wide.data();
  insert.item.lParam = reinterpret_cast<LPARAM>(&node);
  insert.item.iImage = insert.item.iSelectedImage = node.image > 0 ? node.image - 1 : I_IMAGENONE;
  insert.item.stateMask = TVIS_STATEIMAGEMASK;
  insert.item.state = checkboxes_ ? INDEXTOSTATEIMAGEMASK(1) : 0;
  HTREEITEM& item = static_cast<Item&>(node).item;
  item = reinterpret_cast<HTREEITEM>(::SendMessageW(hwnd_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  if (!item) return Error(err::kInvalidProcedureCall);
  return {};
}

void Win32TreeView::Reordered(Node& node) {
  TVSORTCB sort = {};
  sort.hParent = TreeItem(node);
  sort.lpfnCompare = &CompareItems;
  ::SendMessageW(hwnd_, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
}

void Win32TreeView::ForgetExpandedOnce(HTREEITEM item) { SetItemState(hwnd_, item, TVIS_EXPANDEDONCE, 0); }

void Win32TreeView::SetExpanded(Node& node, bool expanded) {
  const HTREEITEM item = TreeItem(node);
  // comctl32 may announce this expansion too (Wine does, the first time); it has been raised.
  codeExpanding_ = item;
  ::SendMessageW(hwnd_, TVM_EXPAND, expanded ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(item));
  codeExpanding_ = nullptr;
  ForgetExpandedOnce(item);
}

bool Win32TreeView::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.hwndFrom != hwnd_) return false;
  result = 0;
  switch (header.code) {
    case TVN_ITEMEXPANDINGW:
    case TVN_ITEMEXPANDINGA: {
      const auto& view = reinterpret_cast<const NMTREEVIEWW&>(header);
      const HTREEITEM item = view.itemNew.hItem;
      if ((view.action & TVE_EXPAND) && item != codeExpanding_ && Events()) {
        Node* node = NodeOf(item);
        const bool collapsed = !(ItemState(hwnd_, item, TVIS_EXPANDED) & TVIS_EXPANDED);
        if (node && collapsed && !node->children.empty()) {
          std::shared_ptr<TreeModel> keep = shared_from_this();
          Events()->TreeView1_Expand(Handle(node));
        }
      }
      return true;
    }
    case TVN_ITEMEXPANDEDW:
    case TVN_ITEMEXPANDEDA: {
      // comctl32 announces an expansion made by TVM_EXPAND only while the item has never been
      // expanded; clearing that mark keeps every expansion it makes announced.
      const auto& view = reinterpret_cast<const NMTREEVIEWW&>(header);
      if (NodeOf(view.itemNew.hItem)) ForgetExpandedOnce(view.itemNew.hItem);
      return true;
    }
    case NM_CLICK: {
      if (!checkboxes_) return false;
      // Where the button went down: comctl32 sends NM_CLICK while it handles that press.
      TVHITTESTINFO hit = {};
      const DWORD pos = ::GetMessagePos();
      hit.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
      ::ScreenToClient(hwnd_, &hit.pt);
      ::SendMessageW(hwnd_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.hItem && (hit.flags & TVHT_ONITEMSTATEICON)) PostUserToggle(hit.hItem);
      return true;
    }
    case TVN_KEYDOWN: {
      const auto& key = reinterpret_cast<const NMTVKEYDOWN&>(header);
      if (checkboxes_ && key.wVKey == VK_SPACE) PostUserToggle(NextItem(hwnd_, nullptr, TVGN_CARET));
      return true;
    }
    default:
      return false;
  }
}

void Win32TreeView::PostUserToggle(HTREEITEM item) {
  Node* node = NodeOf(item);
  if (!node) return;
  ::PostMessageW(messages_, kUserToggled, static_cast<WPARAM>(node->seq), reinterpret_cast<LPARAM>(item));
}

void Win32TreeView::RaiseUserToggle(WPARAM seq, HTREEITEM item) {
  Node* node = NodeOf(item);
  if (!node || static_cast<WPARAM>(node->seq) != seq || !Events()) return;
  Events()->TreeView1_NodeCheck(Handle(node));
}

Status Win32TreeView::PutCheckboxes(bool on) {
  if (on == checkboxes_) return {};
  checkboxes_ = on;
  SetCheckboxStyle(on);
  return {};
}

void Win32TreeView::ScheduleFrame() {
  if (framePending_) return;
  framePending_ = ::PostMessageW(messages_, kFrameChanged, 0, 0) != FALSE;
  if (!framePending_) ApplyFrame();
}

void Win32TreeView::ApplyFrame() {
  // Appearance 1 is the sunken 3-D edge, BorderStyle 1 the single line. The page flips both
  // off and back on around each refresh; the window takes only the frame the properties give
  // when this runs, and no style it already has: every style change of a themed control costs
  // a new look-up of its theme.
  framePending_ = false;
  const LONG_PTR exStyle = ::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
  const LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
  const LONG_PTR wantedEx =
      appearance_ ? (exStyle | WS_EX_CLIENTEDGE) : (exStyle & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
  const LONG_PTR wanted = borderStyle_ ? (style | WS_BORDER) : (style & ~static_cast<LONG_PTR>(WS_BORDER));
  if (wantedEx == exStyle && wanted == style) return;
  if (wantedEx != exStyle) ::SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, wantedEx);
  if (wanted != style) ::SetWindowLongPtrW(hwnd_, GWL_STYLE, wanted);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Status Win32TreeView::PutAppearance(int16_t appearance) {
  if (appearance != 0 && appearance != 1) return Error(err::kInvalidProcedureCall);
  appearance_ = appearance;
  ScheduleFrame();
  return {};
}

Status Win32TreeView::PutBorderStyle(int16_t style) {
  if (style != 0 && style != 1) return Error(err::kInvalidProcedureCall);
  borderStyle_ = style;
  ScheduleFrame();
  return {};
}

Status Win32TreeView::PutSelectedItem(const TreeNodePtr& node) {
  if (!node) return Error(err::kObjectNotSet);
  Result<int32_t> index = node->Index();
  if (!index.Ok()) return index.Error();
  Node* data = NodeAt(index.Value());
  if (!data) return Error(err::kTreeIndexOutOfBounds);
  ::SendMessageW(hwnd_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(TreeItem(*data)));
  return {};
}

Status Win32TreeView::Refresh() {
  // Painted when the message loop comes to it: the page refreshes several times in a row, and
  // each synchronous repaint of a themed tree costs tens of milliseconds.
  ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  return {};
}

Status Win32TreeView::ContainerSetFocus() {
  // The container passes its focus on to its first control; focus elsewhere (another of the
  // page's controls, another window) stays where the user put it.
  if (::GetFocus() == ::GetParent(hwnd_)) ::SetFocus(hwnd_);
  return {};
}

}  // namespace bellnest::win32
