// Expanding a folder of 5,000 subfolders in the page's comctl32 tree, against a plain comctl32
// tree given the same 5,000 items already sorted, in one run under Wine. The page's tree gets
// them in store order (shuffled) and places each itself, keeps its index and key tables and
// raises Expand; the plain one only inserts at the end. Prints the median of each and the ratio.
//   bellnest_tree_expand_bench.exe [items] [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/win32/win32_codec.h"
#include "platform/win32/win32_tree_view.h"
#include "platform/win32/windows_api.h"

namespace bellnest::win32 {
namespace {

using Clock = std::chrono::steady_clock;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

HWND MakeParent() {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = &::DefWindowProcW;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"BellnestBench";
  ::RegisterClassW(&windowClass);
  HWND parent = ::CreateWindowExW(0, L"BellnestBench", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 400,
                                  nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  return parent;
}

void Pump() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// Entry identifiers as keys, names as a store gives them.
struct Folder {
  std::string key, name;
};

std::vector<Folder> Folders(int count) {
  std::vector<Folder> folders;
  for (int i = 0; i < count; ++i) {
    char key[32];
    std::snprintf(key, sizeof key, "00000000%08X0001", i);
    folders.push_back({key, "Folder " + std::to_string(i)});
  }
  std::shuffle(folders.begin(), folders.end(), std::mt19937(20261206));
  return folders;
}

double PlainInsertion(HWND parent, const std::vector<Folder>& folders) {
  std::vector<std::wstring> sorted;
  for (const Folder& folder : folders) sorted.push_back(Utf8ToWide(folder.name));
  std::sort(sorted.begin(), sorted.end(), [](const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) < 0; });
  HWND tree = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_LINESATROOT | TVS_HASBUTTONS | TVS_CHECKBOXES,
                                0, 0, 185, 217, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  HIMAGELIST images = LoadFolderImages();
  ::SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
  TVINSERTSTRUCTW insert = {};
  insert.hParent = TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<wchar_t*>(L"Mailbox");
  const auto root = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  Pump();

  const Clock::time_point start = Clock::now();
  insert.hParent = root;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
  insert.item.iImage = insert.item.iSelectedImage = 12;
  insert.item.stateMask = TVIS_STATEIMAGEMASK;
  insert.item.state = INDEXTOSTATEIMAGEMASK(1);
  for (std::wstring& name : sorted) {
    insert.item.pszText = name.data();
    ::SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
  }
  ::SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
  ::UpdateWindow(tree);
  const double elapsed = Millis(Clock::now() - start);
  ::DestroyWindow(tree);
  ::ImageList_Destroy(images);
  return elapsed;
}

// Loads the folder's children when it expands, as the page's Expand handler does.
class Loader final : public TreeViewEvents {
 public:
  Loader(TreeView& tree, const std::vector<Folder>& folders) : tree_(tree), folders_(folders) {}
  void TreeView1_Expand(const TreeNodePtr& node) override {
    while (TreeNodePtr child = node->Child().Value()) (void)tree_.NodesRemove(child->Index().Value());
    const int32_t parent = node->Index().Value();
    for (const Folder& folder : folders_) {
      Result<TreeNodePtr> added = tree_.NodesAdd(parent, kTvwChild, folder.key, folder.name, 13);
      if (added.Ok()) (void)added.Value()->PutSorted(true);
    }
  }
  void TreeView1_NodeCheck(const TreeNodePtr&) override {}

 private:
  TreeView& tree_;
  const std::vector<Folder>& folders_;
};

double PageExpansion(HWND parent, const std::vector<Folder>& folders) {
  RECT bounds{0, 0, 185, 217};
  std::shared_ptr<Win32TreeView> tree = Win32TreeView::Create(parent, 1, bounds);
  Loader loader(*tree, folders);
  tree->SetEvents(&loader);
  TreeNodePtr root = tree->NodesAdd(std::nullopt, kTvwChild, "ROOT", "Mailbox", 1).Value();
  (void)root->PutSorted(true);
  (void)tree->NodesAdd(1, kTvwChild, "ROOTD", "", 1);
  Pump();

  const Clock::time_point start = Clock::now();
  (void)root->PutExpanded(true);
  ::UpdateWindow(tree->Window());
  const double elapsed = Millis(Clock::now() - start);
  if (tree->NodesCount().Value() != static_cast<int32_t>(folders.size()) + 1) std::fprintf(stderr, "wrong node count\n");
  return elapsed;
}

}  // namespace
}  // namespace bellnest::win32

int main(int argc, char** argv) {
  using namespace bellnest::win32;
  const int items = argc > 1 ? std::atoi(argv[1]) : 5000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TREEVIEW_CLASSES};
  ::InitCommonControlsEx(&classes);
  HWND parent = MakeParent();
  const std::vector<Folder> folders = Folders(items);
  std::vector<double> plain, page;
  for (int i = 0; i < runs; ++i) {
    plain.push_back(PlainInsertion(parent, folders));
    page.push_back(PageExpansion(parent, folders));
  }
  const double plainMedian = Median(plain);
  const double pageMedian = Median(page);
  std::printf("%d items, median of %d runs\n", items, runs);
  std::printf("plain comctl32 insertion, sorted, expanded: %8.1f ms\n", plainMedian);
  std::printf("page tree expansion (Expand, index, keys):  %8.1f ms\n", pageMedian);
  std::printf("ratio: %.2f (target at most 1.5)\n", pageMedian / plainMedian);
  ::DestroyWindow(parent);
  return 0;
}
