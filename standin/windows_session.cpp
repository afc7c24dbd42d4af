// The page driver's Windows world: one Outlook start (add-ins connected) per profile, the
// Options dialog per `open`, user input as window messages, and the state read back from the
// real controls, registry and log.
#include "standin/windows_session.h"

#include "platform/win32/windows_api.h"
// (after the gateway header, which sets the Windows version it needs)
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/win32/win32_codec.h"
#include "sim/page_session.h"
#include "sim/reg_file.h"
#include "standin/addin_host.h"
#include "standin/options_dialog.h"
#include "standin/standin.h"
#include "standin/window_input.h"
#include "support/error_log.h"
#include "support/local_data_folder.h"
#include "support/shared_state.h"

namespace bellnest::standin {

namespace {

constexpr const wchar_t* kPageProgId = L"PPBellnest.UserControl1";
// The page's controls, by their identifiers in the page window.
enum : int { kTree = 101, kSubfolders = 102, kDefaultFolders = 103, kAboutButton = 104, kHelpButton = 105 };
// The About dialog's texts, by their identifiers.
enum : int { kAboutDescription = 201, kAboutDisclaimer, kAboutTitle, kAboutVersion, kAboutCompany };

ErrorInfo DriverError(const std::string& text) { return ErrorInfo{err::kInvalidProcedureCall, text, "driver"}; }

std::string WindowText(HWND window) {
  wchar_t text[2048] = {};
  ::GetWindowTextW(window, text, 2048);
  return win32::WideToUtf8(text);
}

// ---- message boxes and the About dialog, answered as a user would -----------------------------

struct Answered {
  std::vector<nlohmann::json> MessageBoxes;  // text, style, title, owner
  std::vector<AboutBoxTexts> AboutBoxes;
};
thread_local Answered* answering = nullptr;
// Boxes and About dialogs that were not modal to the Options dialog: each fails the run.
int strayBoxes = 0;

// Who a box shown by the page belongs to: "Options" when the Options dialog owns it and is
// disabled under it, as a modal box's owner is; else the owner's class, or "none". A box that
// is not modal to the dialog lets the user close the dialog, and the page, under it.
std::string BoxOwner(HWND box, const std::string& what) {
  HWND owner = ::GetWindow(box, GW_OWNER);
  if (OptionsDialog::IsOptionsDialog(owner) && !::IsWindowEnabled(owner)) return "Options";
  wchar_t name[64] = {};
  if (owner) ::GetClassNameW(owner, name, 64);
  const std::string found = owner ? win32::WideToUtf8(name) + (::IsWindowEnabled(owner) ? " (enabled)" : "") : "none";
  ++strayBoxes;
  std::fprintf(stderr, "bellnest_outlook: %s is owned by %s, not modal to the Options dialog\n", what.c_str(),
               found.c_str());
  return found;
}

// The style a message box was shown with, read from its icon and buttons.
int32_t MessageBoxStyle(HWND box) {
  int32_t style = 0;
  HWND icon = nullptr;
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) icon = child;
  }
  if (icon) {
    const auto shown = reinterpret_cast<HICON>(::SendMessageW(icon, STM_GETICON, 0, 0));
    // The system's hand, question, exclamation and asterisk icons.
    for (auto [id, flag] : {std::pair{32513, MB_ICONHAND}, std::pair{32514, MB_ICONQUESTION},
                            std::pair{32515, MB_ICONEXCLAMATION}, std::pair{32516, MB_ICONASTERISK}}) {
      if (shown && shown == ::LoadIconW(nullptr, MAKEINTRESOURCEW(id))) style |= static_cast<int32_t>(flag);
    }
  }
  auto has = [&](int id) { return ::GetDlgItem(box, id) != nullptr; };
  if (has(IDYES) && has(IDCANCEL)) {
    style |= MB_YESNOCANCEL;
  } else if (has(IDYES)) {
    style |= MB_YESNO;
  } else if (has(IDABORT)) {
    style |= MB_ABORTRETRYIGNORE;
  } else if (has(IDRETRY)) {
    style |= MB_RETRYCANCEL;
  } else if (has(IDOK) && has(IDCANCEL)) {
    style |= MB_OKCANCEL;
  }
  return style;
}

BOOL CALLBACK AnswerWindow(HWND window, LPARAM) {
  wchar_t className[16] = {};
  if (!::IsWindowVisible(window) || !::GetClassNameW(window, className, 16) || std::wstring(className) != L"#32770" ||
      OptionsDialog::IsOptionsDialog(window)) {
    return TRUE;
  }
  if (HWND title = ::GetDlgItem(window, kAboutTitle)) {
    BoxOwner(window, "the About dialog");
    AboutBoxTexts texts;
    texts.Caption = WindowText(window);
    texts.Title = WindowText(title);
    texts.Version = WindowText(::GetDlgItem(window, kAboutVersion));
    texts.Description = WindowText(::GetDlgItem(window, kAboutDescription));
    texts.Company = WindowText(::GetDlgItem(window, kAboutCompany));
    texts.Disclaimer = WindowText(::GetDlgItem(window, kAboutDisclaimer));
    answering->AboutBoxes.push_back(texts);
  } else {
    const std::string text = WindowText(::GetDlgItem(window, 0xFFFF));
    answering->MessageBoxes.push_back({{"text", text},
                                       {"style", MessageBoxStyle(window)},
                                       {"title", WindowText(window)},
                                       {"owner", BoxOwner(window, "the message box \"" + text + "\"")}});
  }
  // The user presses the default button (Enter).
  const LRESULT defaultId = ::SendMessageW(window, DM_GETDEFID, 0, 0);
  const WORD button = HIWORD(defaultId) == DC_HASDEFID ? LOWORD(defaultId) : IDOK;
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(window, button)));
  return TRUE;
}

void CALLBACK AnswerDialogs(HWND, UINT, UINT_PTR, DWORD) {
  if (answering) ::EnumThreadWindows(::GetCurrentThreadId(), &AnswerWindow, 0);
}

// ---- the machine's state ---------------------------------------------------------------------

std::wstring LocalAppData() {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path);
  return path;
}
std::wstring LogFile() {
  return LocalAppData() + L"\\" + win32::Utf8ToWide(kProductFolderName) + L"\\" + win32::Utf8ToWide(kLogFileName);
}

// The product's keys as regedit exports them: depth first, subkeys in regedit's order
// (case-insensitive), each value's exact bytes.
void ReadKeys(const std::string& path, std::vector<sim::RegFileSection>& out) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  sim::RegFileSection section{kHkeyCurrentUser, path, false, {}};
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD nameLength = sizeof(name);
    DWORD type = 0;
    DWORD size = 0;
    if (::RegEnumValueA(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
    std::string data(size, '\0');
    nameLength = sizeof(name);
    ::RegEnumValueA(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    data.resize(size);
    section.Values.push_back({std::string(name, nameLength), false, type, std::move(data)});
  }
  out.push_back(std::move(section));
  std::vector<std::string> subkeys;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameLength = sizeof(name);
    if (::RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.emplace_back(name, nameLength);
  }
  ::RegCloseKey(key);
  std::sort(subkeys.begin(), subkeys.end(),
            [](const std::string& a, const std::string& b) { return ::lstrcmpiA(a.c_str(), b.c_str()) < 0; });
  for (const std::string& subkey : subkeys) ReadKeys(path + "\\" + subkey, out);
}

std::vector<sim::RegFileSection> ProductKeys() {
  std::vector<sim::RegFileSection> sections;
  ReadKeys(kProductKeyPath, sections);
  return sections;
}

// The product's keys in DIR/registry.reg and its log under DIR/c, where the native driver
// leaves them.
Status ExportProduct(const std::filesystem::path& dataDir) {
  std::error_code ec;
  std::filesystem::create_directories(dataDir, ec);
  std::ofstream reg(dataDir / "registry.reg", std::ios::binary);
  reg << sim::FormatRegText(ProductKeys());
  if (!reg) return DriverError("cannot write " + (dataDir / "registry.reg").string());
  const std::filesystem::path logDir = dataDir / "c" / "Users" / "pat" / "AppData" / "Local" / kProductFolderName;
  if (std::filesystem::exists(LogFile())) {
    std::filesystem::create_directories(logDir, ec);
    std::filesystem::copy_file(LogFile(), logDir / kLogFileName, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) return DriverError("cannot copy the log to " + logDir.string() + ": " + ec.message());
  }
  return {};
}

// ---- the session -----------------------------------------------------------------------------

class WindowsSession final : public sim::PageSession {
 public:
  explicit WindowsSession(sim::SimulatedOutlook& outlook) : outlook_(outlook), rdo_(outlook), addins_(outlook) {
    answering = &answered_;
    timer_ = ::SetTimer(nullptr, 0, 100, &AnswerDialogs);
    addins_.Connect();  // Outlook's start
  }
  ~WindowsSession() override {
    Close();
    addins_.Disconnect();  // Outlook's exit
    if (timer_) ::KillTimer(nullptr, timer_);
    if (answering == &answered_) answering = nullptr;
  }

  // Tools > Options.
  void Open() override {
    if (IsOpen()) return;
    dialog_ = std::make_unique<OptionsDialog>(PageSite(outlook_), addins_.OptionsPagesAdd(), Creator(), style_);
    page_ = dialog_->Find(kPageProgId);
    if (!page_) ReportMissingPage();
    // Nothing has painted the page yet: its first paint is the script's (`paint`), as natively.
    if (page_ && page_->Window) ::ValidateRect(page_->Window, nullptr);
  }
  // Cancel: the dialog closes and releases its pages.
  void Close() override {
    if (!dialog_) return;
    if (dialog_->IsOpen()) {
      ::PostMessageW(dialog_->Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(dialog_->Window(), IDCANCEL)));
      PumpUntil([this] { return !dialog_->IsOpen(); });
    }
    page_ = nullptr;
    dialog_.reset();
  }
  bool IsOpen() const override { return page_ != nullptr && page_->Control && dialog_ && dialog_->IsOpen(); }

  bool Show() override {
    if (!IsOpen()) return false;
    dialog_->SelectPage(*page_);
    Drain();
    return true;
  }
  bool Paint() override {
    if (!IsOpen()) return false;
    ::RedrawWindow(page_->Window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return true;
  }
  // The focus comes onto the page from the dialog's buttons.
  bool EnterFocus() override {
    if (!IsOpen()) return false;
    ::SetFocus(::GetDlgItem(dialog_->Window(), IDOK));
    ::SetFocus(Control(kTree));
    Drain();
    return true;
  }
  bool GotFocus() override { return EnterFocus(); }
  // The Apply button when the page asked for it; else Apply as OK runs it.
  bool Apply() override {
    if (!IsOpen()) return false;
    HWND button = ::GetDlgItem(dialog_->Window(), OptionsDialog::kApplyButton);
    if (::IsWindowEnabled(button)) {
      ::PostMessageW(dialog_->Window(), WM_COMMAND, MAKEWPARAM(OptionsDialog::kApplyButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
      Drain();
    } else {
      dialog_->ApplyPages();
    }
    return true;
  }
  bool Help() override { return ClickButton(kHelpButton); }
  bool About() override {
    const size_t before = answered_.AboutBoxes.size();
    if (!ClickButton(kAboutButton)) return false;
    PumpUntil([&] { return answered_.AboutBoxes.size() > before; });
    Drain();
    return true;
  }
  bool Dirty() override {
    VARIANT_BOOL dirty = VARIANT_FALSE;
    return IsOpen() && page_->Properties && SUCCEEDED(page_->Properties->get_Dirty(&dirty)) && dirty != VARIANT_FALSE;
  }

  // A click on the node's check box. When the box already shows the wanted mark, it is first
  // set the other way silently (code, which raises nothing), so that the user's click sets the
  // wanted mark and the page hears it, as in the native world.
  Status Tick(std::string_view node, bool checked) override {
    Result<HTREEITEM> item = FindNode(node);
    if (!item) return item.Error();
    HWND tree = Control(kTree);
    if (IsChecked(item.Value()) == checked) SetChecked(item.Value(), !checked);
    Result<POINT> at = PointOn(item.Value(), TVHT_ONITEMSTATEICON);
    if (!at) return at.Error();
    PostClick(tree, at.Value());
    Drain();
    return {};
  }
  // A click on the node's expand button, when it is not already as wanted.
  Status Expand(std::string_view node, bool expanded) override {
    Result<HTREEITEM> item = FindNode(node);
    if (!item) return item.Error();
    const bool isExpanded = (ItemState(item.Value()) & TVIS_EXPANDED) != 0;
    if (isExpanded == expanded || !TreeView_GetChild(Control(kTree), item.Value())) return {};
    Result<POINT> at = PointOn(item.Value(), TVHT_ONITEMBUTTON);
    if (!at) return at.Error();
    PostClick(Control(kTree), at.Value());
    Drain();
    return {};
  }
  Status ClickSubfolders() override { return Clicked(kSubfolders); }
  Status ClickDefaultFolders() override { return Clicked(kDefaultFolders); }
  void Pump() override { Drain(); }

  Status SetContainer(std::string_view order, std::string_view switching) override {
    using Order = ContainerStyle::Order;
    style_.order = order == "initnew-first" ? Order::InitNewFirst
                   : order == "load-stream" ? Order::LoadStream
                   : order == "load-bag"    ? Order::LoadBag
                                            : Order::MiscStatus;
    style_.switching = switching == "verb" ? ContainerStyle::Switch::Verb : ContainerStyle::Switch::Window;
    return {};
  }
  Status SetHelpCloseDelay(int) override {
    return DriverError("helpwindow: the help window is the real one here (hhctrl.ocx); it closes as it does");
  }
  Status Screenshot(const std::filesystem::path& file) override {
    Drain();
    if (SavePng(dialog_->Window(), file)) return {};
    return DriverError("cannot write the screenshot " + file.string());
  }

  sim::SimulatedOutlook& Outlook() override { return outlook_; }
  std::optional<AboutBoxTexts> LastAboutBox() const override {
    if (answered_.AboutBoxes.empty()) return std::nullopt;
    return answered_.AboutBoxes.back();
  }

  nlohmann::json PageInfoJson() override {
    if (!IsOpen() || !page_->Properties) return nullptr;
    BSTR file = nullptr;
    LONG topic = 0;
    page_->Properties->GetPageInfo(&file, &topic);
    nlohmann::json info{{"file", win32::WideToUtf8(file ? file : L"")}, {"topic", topic}};
    ::SysFreeString(file);
    return info;
  }

  // What Outlook and the user can see. The page's working selection and its help calls stay
  // inside the control: they are null here.
  nlohmann::json StateJson() override {
    nlohmann::json state;
    state["open"] = IsOpen();
    state["dirty"] = Dirty();
    state["statusChanges"] = outlook_.StatusChanges();
    state["options"] = {
        {"chkSubfolders", IsOpen() ? ::SendMessageW(Control(kSubfolders), BM_GETCHECK, 0, 0) : 0},
        {"chkDefaultFolders", IsOpen() ? ::SendMessageW(Control(kDefaultFolders), BM_GETCHECK, 0, 0) : 0}};
    nlohmann::json tree = nlohmann::json::array();
    if (IsOpen()) {
      for (HTREEITEM item = TreeView_GetRoot(Control(kTree)); item;
           item = TreeView_GetNextSibling(Control(kTree), item)) {
        tree.push_back(NodeJson(item));
      }
    }
    state["tree"] = std::move(tree);
    for (const char* hidden : {"selectedFolders", "selectedFolderKeys", "remindersCollection",
                               "remindersCollectionKeys", "sameCollection", "helpCalls"}) {
      state[hidden] = nullptr;
    }
    state["search"] = {{"containers", outlook_.SearchContainerPaths()},
                       {"running", outlook_.SearchRunning()},
                       {"history", outlook_.SearchHistory()},
                       {"scopeAccepted", outlook_.Scope().Accepted},
                       {"remindersActive", outlook_.RemindersActive()}};
    nlohmann::json registry = nlohmann::json::object();
    for (const sim::RegFileSection& section : ProductKeys()) {
      nlohmann::json values = nlohmann::json::object();
      for (const sim::RegFileValue& value : section.Values) {
        values[codec_.FromAnsi(value.Name)] = sim::RegistryValueJson(
            value.Type, value.Data, [this](std::string_view ansi) { return codec_.FromAnsi(ansi); });
      }
      registry[codec_.FromAnsi(section.Path)] = std::move(values);
    }
    state["registry"] = std::move(registry);
    state["messageBoxes"] = answered_.MessageBoxes;
    state["pageInfo"] = PageInfoJson();
    state["aboutBoxes"] = answered_.AboutBoxes.size();
    state["log"] = LogJson();
    state["liveHostObjects"] = outlook_.LiveObjects();
    return state;
  }

  nlohmann::json LogJson() const override {
    std::ifstream in(std::filesystem::path(LogFile()), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return sim::LogEntriesJson(codec_.FromAnsi(bytes.str()));
  }

  std::string TreeText() const override {
    std::string out;
    if (!IsOpen()) return out;
    HWND tree = Control(kTree);
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item)) {
      RenderNode(item, 0, out);
    }
    return out;
  }

 private:
  OptionsDialog::Creator Creator() {
    return [this](const std::wstring& progId, com::ComPtr<IUnknown>& object) {
      return addins_.CreateObject(progId, object);
    };
  }

  // Why Tools > Options shows no Bellnest page: the add-ins' and the pages' failures.
  void ReportMissingPage() {
    std::fprintf(stderr, "bellnest_outlook: the Options dialog has no page %ls\n", kPageProgId);
    for (const std::wstring& failure : addins_.Failures()) std::fprintf(stderr, "  add-in: %ls\n", failure.c_str());
    for (const OptionsDialog::Page& page : dialog_->Pages()) {
      std::fprintf(stderr, "  page %ls: 0x%08lX\n", page.ProgId.c_str(), static_cast<unsigned long>(page.Outcome));
    }
  }

  HWND Control(int id) const { return page_ && page_->Window ? ::GetDlgItem(page_->Window, id) : nullptr; }

  bool ClickButton(int id) {
    if (!IsOpen()) return false;
    HWND button = Control(id);
    RECT r;
    ::GetClientRect(button, &r);
    PostClick(button, {r.right / 2, r.bottom / 2});
    Drain();
    return true;
  }

  Status Clicked(int id) {
    if (ClickButton(id)) return {};
    return DriverError("no page is open");
  }

  void Drain() {
    DrainMessages([this](MSG& m) { return dialog_ && dialog_->TranslateKey(m); });
  }

  UINT ItemState(HTREEITEM item) const {
    return static_cast<UINT>(::SendMessageW(Control(kTree), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), 0xFFFF));
  }
  bool IsChecked(HTREEITEM item) const { return (ItemState(item) & TVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2); }
  void SetChecked(HTREEITEM item, bool checked) {
    TVITEMW data{};
    data.mask = TVIF_STATE;
    data.hItem = item;
    data.stateMask = TVIS_STATEIMAGEMASK;
    data.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    ::SendMessageW(Control(kTree), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&data));
  }

  struct ItemData {
    std::string Text;
    int Image = 0;
  };
  ItemData Item(HTREEITEM item) const {
    wchar_t text[512] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT | TVIF_IMAGE;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = 512;
    ::SendMessageW(Control(kTree), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return {win32::WideToUtf8(text), data.iImage == I_IMAGENONE ? 0 : data.iImage + 1};
  }

  // As the native tree draws itself: expand sign, check mark, image number, name.
  void RenderNode(HTREEITEM item, int depth, std::string& out) const {
    HWND tree = Control(kTree);
    const HTREEITEM child = TreeView_GetChild(tree, item);
    const UINT state = ItemState(item);
    const bool expanded = (state & TVIS_EXPANDED) != 0;
    const UINT check = (state & TVIS_STATEIMAGEMASK) >> 12;
    const ItemData data = Item(item);
    out.append(static_cast<size_t>(depth) * 4, ' ');
    out += !child ? "   " : expanded ? "[-]" : "[+]";
    out += check == 0 ? " " : check == 2 ? " [x] " : " [ ] ";
    out += "#" + std::to_string(data.Image) + " " + (data.Text.empty() ? "(placeholder)" : data.Text) + "\n";
    if (!expanded) return;
    for (HTREEITEM c = child; c; c = TreeView_GetNextSibling(tree, c)) RenderNode(c, depth + 1, out);
  }

  nlohmann::json NodeJson(HTREEITEM item) const {
    const ItemData data = Item(item);
    const UINT state = ItemState(item);
    nlohmann::json out{{"text", data.Text},
                       {"image", data.Image},
                       {"checked", (state & TVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2)},
                       {"expanded", (state & TVIS_EXPANDED) != 0}};
    nlohmann::json children = nlohmann::json::array();
    for (HTREEITEM c = TreeView_GetChild(Control(kTree), item); c; c = TreeView_GetNextSibling(Control(kTree), c)) {
      children.push_back(NodeJson(c));
    }
    if (!children.empty()) out["children"] = std::move(children);
    return out;
  }

  // The tree item of a folder path (or id:KEY), walking the names the tree shows.
  Result<HTREEITEM> FindNode(std::string_view node) {
    if (!IsOpen()) return DriverError("no page is open");
    std::string path;
    if (node.substr(0, 3) == "id:") {
      path = Describe(std::string(node.substr(3)));
      if (path.substr(0, 3) == "id:") {
        return ErrorInfo{err::kTreeElementNotFound,
                         "'" + std::string(node) + "' is not in the tree (expand the folder above it first)", "driver"};
      }
    } else {
      path = node == "/" ? "" : std::string(node);
      if (outlook_.Id(path).empty()) return DriverError("no folder at '" + path + "'");
    }
    HWND tree = Control(kTree);
    HTREEITEM item = TreeView_GetRoot(tree);
    for (size_t start = 0; item && !path.empty() && start <= path.size();) {
      const size_t slash = std::min(path.find('/', start), path.size());
      const std::string name = path.substr(start, slash - start);
      HTREEITEM found = nullptr;
      for (HTREEITEM c = TreeView_GetChild(tree, item); c && !found; c = TreeView_GetNextSibling(tree, c)) {
        if (Item(c).Text == name) found = c;
      }
      item = found;
      start = slash + 1;
    }
    if (!item) {
      return ErrorInfo{err::kTreeElementNotFound,
                       "'" + std::string(node) + "' is not in the tree (expand the folder above it first)", "driver"};
    }
    return item;
  }

  // A point of the item's row where the tree's hit test answers part (its check box, its button).
  Result<POINT> PointOn(HTREEITEM item, UINT part) {
    HWND tree = Control(kTree);
    TreeView_EnsureVisible(tree, item);
    RECT row{};
    // TVM_GETITEMRECT takes the item in the rectangle it fills.
    std::memcpy(&row, &item, sizeof item);
    if (!::SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&row))) {
      return DriverError("the node is not visible");
    }
    for (int x = row.left; x >= 0; --x) {
      TVHITTESTINFO hit{};
      hit.pt = {x, (row.top + row.bottom) / 2};
      if (TreeView_HitTest(tree, &hit) == item && (hit.flags & part)) return hit.pt;
    }
    return DriverError(part == TVHT_ONITEMBUTTON ? "the node has no expand button" : "the node has no check box");
  }

  sim::SimulatedOutlook& outlook_;
  mutable win32::AnsiCodec codec_;
  RdoRegistration rdo_;
  AddinHost addins_;
  Answered answered_;
  UINT_PTR timer_ = 0;
  ContainerStyle style_;
  std::unique_ptr<OptionsDialog> dialog_;
  OptionsDialog::Page* page_ = nullptr;
};

// ---- the machine -----------------------------------------------------------------------------

// The product's traces on this Windows: its keys and its local data folder.
void ForgetProduct() {
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kProductKeyPath);
  ::DeleteFileW(LogFile().c_str());
  ::RemoveDirectoryW((LocalAppData() + L"\\" + win32::Utf8ToWide(kProductFolderName)).c_str());
}

class WindowsDriverWorld final : public tools::DriverWorld {
 public:
  // The Windows machine is the Wine prefix the program runs in: with a data folder it is kept
  // there (the wrapper sets the prefix up), without one the product starts as on a fresh machine.
  Status Start(const tools::DriverOptions& options) override {
    if (options.DataDir.empty()) ForgetProduct();
    return {};
  }
  std::unique_ptr<sim::PageSession> NewSession(sim::SimulatedOutlook& outlook) override {
    return std::make_unique<WindowsSession>(outlook);
  }
  Status Finish(const tools::DriverOptions& options) override {
    if (strayBoxes > 0) {
      return DriverError(std::to_string(strayBoxes) + " box(es) of the page were not modal to the Options dialog");
    }
    if (options.DataDir.empty()) {
      ForgetProduct();
      return {};
    }
    return ExportProduct(options.DataDir);
  }
};

}  // namespace

std::unique_ptr<tools::DriverWorld> MakeWindowsWorld() { return std::make_unique<WindowsDriverWorld>(); }

int RunInteractive(const tools::DriverOptions& options) {
  std::unique_ptr<sim::SimulatedOutlook> outlook;
  if (options.ProfileFile.empty()) {
    outlook = std::make_unique<sim::SimulatedOutlook>();
  } else {
    Result<std::unique_ptr<sim::SimulatedOutlook>> loaded = sim::SimulatedOutlook::FromFile(options.ProfileFile);
    if (!loaded) {
      std::fprintf(stderr, "%s\n", loaded.Error().Description.c_str());
      return 1;
    }
    outlook = std::move(loaded).Value();
  }
  RdoRegistration rdo(*outlook);
  AddinHost addins(*outlook);
  addins.Connect();
  {
    OptionsDialog dialog(PageSite(*outlook), addins.OptionsPagesAdd(),
                         [&addins](const std::wstring& progId, com::ComPtr<IUnknown>& object) {
                           return addins.CreateObject(progId, object);
                         });
    dialog.RunModal();
  }
  addins.Disconnect();
  if (options.SaveProfile && !options.ProfileFile.empty()) {
    if (const Status saved = outlook->SaveFile(options.ProfileFile); !saved) {
      std::fprintf(stderr, "%s\n", saved.Error().Description.c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace bellnest::standin
