// The page's controls.
#include "platform/win32/win32_page_window.h"

#include <algorithm>
#include <cwctype>
#include <string>

#include "platform/win32/gui_tally.h"

namespace bellnest::win32 {

namespace {

struct ControlLayout {
  int left, top, width, height;  // twips, relative to the page
};
// The page's design, in tab order.
constexpr ControlLayout kLabelLayout{360, 120, 2655, 255};
constexpr ControlLayout kTreeLayout{360, 600, 2775, 3255};
constexpr ControlLayout kSubfoldersLayout{360, 3960, 2175, 255};
constexpr ControlLayout kDefaultFoldersLayout{360, 4230, 2415, 255};
constexpr ControlLayout kAboutLayout{3480, 1080, 1335, 375};
constexpr ControlLayout kHelpLayout{3480, 2040, 1335, 375};

RECT Place(const ControlLayout& layout, POINT dpi) {
  return TwipsToPixels(layout.left, layout.top, layout.width, layout.height, dpi.x, dpi.y);
}

HWND MakeControl(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, int id,
                 const ControlLayout& layout, POINT dpi, HFONT font) {
  const RECT r = Place(layout, dpi);
  HWND control = ::CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   ThisModule(), nullptr);
  if (control) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

void AddTip(HWND tips, HWND parent, HWND tool, const wchar_t* text) {
  TTTOOLINFOW info = {};
  // The size both comctl32 5 and 6 take: 5 refuses the longer one of the headers.
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = parent;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = const_cast<wchar_t*>(text);
  ::SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace

RECT TwipsToPixels(int left, int top, int width, int height, int dpiX, int dpiY) {
  const int x = ::MulDiv(left, dpiX, 1440);
  const int y = ::MulDiv(top, dpiY, 1440);
  return RECT{x, y, x + ::MulDiv(width, dpiX, 1440), y + ::MulDiv(height, dpiY, 1440)};
}

HFONT CreateDesignFont(int dpiY) {
  HFONT font = ::CreateFontW(-::MulDiv(8, dpiY, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                             L"MS Sans Serif");
  return font ? Tallied(GuiObject::Font, font) : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

void DeleteDesignFont(HFONT font) {
  if (font && font != ::GetStockObject(DEFAULT_GUI_FONT) && ::DeleteObject(font)) TallyDestroyed(GuiObject::Font);
}

HFONT CreateDialogFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  HFONT font = nullptr;
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    font = ::CreateFontIndirectW(&metrics.lfMessageFont);
  }
  return font ? Tallied(GuiObject::Font, font) : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

POINT ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  POINT dpi{::GetDeviceCaps(screen, LOGPIXELSX), ::GetDeviceCaps(screen, LOGPIXELSY)};
  ::ReleaseDC(nullptr, screen);
  if (dpi.x <= 0 || dpi.y <= 0) dpi = {96, 96};
  return dpi;
}

Result<int16_t> Win32CheckBox::Value() {
  return static_cast<int16_t>(::SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
}

Status Win32CheckBox::PutValue(int16_t value) {
  if (value != 0 && value != 1) return RuntimeError(err::kInvalidProcedureCall);
  Result<int16_t> current = Value();
  if (current.Ok() && current.Value() == value) return {};
  ::SendMessageW(hwnd_, BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
  OnClicked();
  return {};
}

void Win32CheckBox::OnClicked() const {
  if (click_) click_();
}

std::unique_ptr<Win32PageWindow> Win32PageWindow::Create(HWND parent) {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&classes);
  const POINT dpi = ScreenDpi();
  std::unique_ptr<Win32PageWindow> page(new Win32PageWindow());
  page->parent_ = parent;
  page->font_ = CreateDialogFont();
  HFONT font = page->font_;
  // Created in tab order; SS_NOTIFY lets the label's tool tip see the mouse, BS_NOTIFY tells the
  // page when a button or check box takes the focus (the control's EnterFocus and GotFocus).
  page->label_ =
      MakeControl(parent, L"STATIC", L"Reminder enabled &folders", SS_NOTIFY, kLabel, kLabelLayout, dpi, font);
  page->tree_ = Win32TreeView::Create(parent, kTree, Place(kTreeLayout, dpi));
  HWND subfolders = MakeControl(parent, L"BUTTON", L"Include Subfolders", BS_AUTOCHECKBOX | BS_NOTIFY | WS_TABSTOP,
                                kSubfolders, kSubfoldersLayout, dpi, font);
  HWND defaultFolders =
      MakeControl(parent, L"BUTTON", L"Allow disabling default folders", BS_AUTOCHECKBOX | BS_NOTIFY | WS_TABSTOP,
                  kDefaultFolders, kDefaultFoldersLayout, dpi, font);
  page->about_ = MakeControl(parent, L"BUTTON", L"A&bout", BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP, kAbout, kAboutLayout,
                             dpi, font);
  page->help_ =
      MakeControl(parent, L"BUTTON", L"&Help", BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP, kHelp, kHelpLayout, dpi, font);
  if (!page->label_ || !page->tree_ || !subfolders || !defaultFolders || !page->about_ || !page->help_) return nullptr;
  ::SendMessageW(page->tree_->Window(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  page->subfolders_ = std::make_shared<Win32CheckBox>(subfolders);
  page->defaultFolders_ = std::make_shared<Win32CheckBox>(defaultFolders);

  page->tips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, ThisModule(), nullptr);
  RECT client{};
  ::GetClientRect(parent, &client);
  page->Layout(client.right, client.bottom);
  if (page->tips_) {
    AddTip(page->tips_, parent, page->label_, L"Folders monitored for reminders in addition to the default folders");
    AddTip(page->tips_, parent, page->about_, L"About Bellnest");
  }
  return page;
}

Win32PageWindow::~Win32PageWindow() {
  // The tree view destroys its own window; the rest go with the parent unless it outlives us.
  for (HWND control : {label_, about_, help_, tips_}) {
    if (control && ::IsWindow(control)) ::DestroyWindow(control);
  }
  for (const auto& box : {subfolders_, defaultFolders_}) {
    if (box && ::IsWindow(box->Window())) ::DestroyWindow(box->Window());
  }
  // Tree last but one: it may outlive this object (the page core holds it), so it gives up
  // the font before the font goes.
  if (tree_ && ::IsWindow(tree_->Window())) ::SendMessageW(tree_->Window(), WM_SETFONT, 0, FALSE);
  DeleteDesignFont(font_);
}

PageControls Win32PageWindow::Controls() const {
  PageControls controls;
  controls.TreeView1 = tree_;
  controls.chkSubfolders = subfolders_;
  controls.chkDefaultFolders = defaultFolders_;
  return controls;
}

void Win32PageWindow::SetButtonHandlers(std::function<void()> onAbout, std::function<void()> onHelp) {
  onAbout_ = std::move(onAbout);
  onHelp_ = std::move(onHelp);
}

bool Win32PageWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_NOTIFY && lParam) return tree_->OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return false;
  const auto from = reinterpret_cast<HWND>(lParam);
  result = 0;
  if (from == subfolders_->Window()) {
    subfolders_->OnClicked();
  } else if (from == defaultFolders_->Window()) {
    defaultFolders_->OnClicked();
  } else if (from == about_) {
    if (onAbout_) onAbout_();
  } else if (from == help_) {
    if (onHelp_) onHelp_();
  } else {
    return false;
  }
  return true;
}

void Win32PageWindow::SetFont(HFONT font) {
  if (!font) font = font_;
  for (HWND control : {label_, tree_->Window(), subfolders_->Window(), defaultFolders_->Window(), about_, help_}) {
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  Layout(size_.cx, size_.cy);
}

namespace {

// The width a caption needs: its text in its control's font (the access key's '&' takes no
// room), and the control's own parts beside it.
int CaptionWidth(HWND control, int parts) {
  wchar_t text[256] = {};
  ::GetWindowTextW(control, text, 256);
  std::wstring shown;
  for (const wchar_t* p = text; *p; ++p) {
    if (*p == L'&' && p[1] != L'\0') ++p;
    shown += *p;
  }
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  ::GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return extent.cx + parts;
}

}  // namespace

void Win32PageWindow::Layout(int width, int height) {
  size_ = {width, height};
  const POINT dpi = ScreenDpi();
  const RECT design = TwipsToPixels(0, 0, kWidthTwips, kHeightTwips, dpi.x, dpi.y);
  const int pageWidth = std::max<int>(width, design.right);
  const int extraX = pageWidth - design.right;
  const int extraY = std::max<int>(0, height - design.bottom);
  const auto scaled = [&dpi](int pixels) { return ::MulDiv(pixels, dpi.x, 96); };
  const auto place = [&](HWND control, const ControlLayout& layout, POINT offset, SIZE grow, int captionWidth) {
    RECT r = Place(layout, dpi);
    ::OffsetRect(&r, offset.x, offset.y);
    r.right = std::max<LONG>(r.right + grow.cx, std::min<LONG>(r.left + captionWidth, pageWidth));
    r.bottom += grow.cy;
    ::MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  };
  // A check box's box and the gap after it; a push button's edges and margins.
  const int checkParts = ::GetSystemMetrics(SM_CXMENUCHECK) + scaled(6);
  const int buttonParts = scaled(12);
  place(label_, kLabelLayout, {0, 0}, {0, 0}, CaptionWidth(label_, 0));
  place(tree_->Window(), kTreeLayout, {0, 0}, {extraX, extraY}, 0);
  place(subfolders_->Window(), kSubfoldersLayout, {0, extraY}, {0, 0}, CaptionWidth(subfolders_->Window(), checkParts));
  place(defaultFolders_->Window(), kDefaultFoldersLayout, {0, extraY}, {0, 0},
        CaptionWidth(defaultFolders_->Window(), checkParts));
  place(about_, kAboutLayout, {extraX, 0}, {0, 0}, CaptionWidth(about_, buttonParts));
  place(help_, kHelpLayout, {extraX, 0}, {0, 0}, CaptionWidth(help_, buttonParts));
}

bool Win32PageWindow::OnMnemonic(wchar_t key) {
  switch (std::towupper(key)) {
    case L'F':
      ::SetFocus(tree_->Window());
      return true;
    case L'B':
      ::SetFocus(about_);
      if (onAbout_) onAbout_();
      return true;
    case L'H':
      ::SetFocus(help_);
      if (onHelp_) onHelp_();
      return true;
    default:
      return false;
  }
}

}  // namespace bellnest::win32
