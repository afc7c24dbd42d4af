// The Options dialog and the in-place sites of its pages.
#include "standin/options_dialog.h"

#include <functional>
#include <utility>

#include "standin/dispatch_object.h"
#include "standin/standin.h"

namespace bellnest::standin {

namespace {

constexpr const wchar_t* kSiteClass = L"BellnestOptionsPageSite";
constexpr const wchar_t* kDialogMark = L"BellnestOptionsDialog";
// Client pixels at 96 DPI, grown with the DPI as a dialog laid out in dialog units grows: a tab
// with room beyond the page's 5160 by 5295 twips, and OK, Cancel and Apply below it.
constexpr int kWidth = 440;
constexpr int kHeight = 460;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kMargin = 8;

// Outlook's page site as the page sees it: every call goes to the simulated profile's site, and
// a successful OnStatusChange also tells the dialog, which then reads Dirty.
class StatusSite final : public SingleInterface<PropertyPageSiteDual, &IID_PropertyPageSite> {
 public:
  StatusSite(com::ComPtr<IDispatch> inner, std::function<void()> onStatusChange)
      : inner_(std::move(inner)), onStatusChange_(std::move(onStatusChange)) {
    inner_.As(IID_PropertyPageSite, dual_);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return inner_->GetTypeInfo(index, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    return inner_->GetIDsOfNames(iid, names, count, lcid, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* badArgument) override {
    const HRESULT hr = inner_->Invoke(id, iid, lcid, flags, params, result, exception, badArgument);
    if (SUCCEEDED(hr) && id == kOnStatusChange) onStatusChange_();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE get_Application(IDispatch** application) override {
    return dual_ ? dual_->get_Application(application) : E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE get_Class(LONG* objectClass) override {
    return dual_ ? dual_->get_Class(objectClass) : E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE get_Session(IDispatch** session) override {
    return dual_ ? dual_->get_Session(session) : E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** parent) override {
    return dual_ ? dual_->get_Parent(parent) : E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE OnStatusChange() override {
    const HRESULT hr = dual_ ? dual_->OnStatusChange() : E_NOINTERFACE;
    if (SUCCEEDED(hr)) onStatusChange_();
    return hr;
  }

 private:
  static constexpr DISPID kOnStatusChange = 0x2100;
  com::ComPtr<IDispatch> inner_;
  com::ComPtr<PropertyPageSiteDual> dual_;
  std::function<void()> onStatusChange_;
};

// A property bag with nothing saved in it: the page's properties all take their defaults.
class EmptyBag final : public IPropertyBag {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyBag) ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Read(LPCOLESTR, VARIANT*, IErrorLog*) override { return E_INVALIDARG; }
  STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return S_OK; }
};

// A dialog without controls: they are placed in pixels once it exists.
struct EmptyTemplate {
  DLGTEMPLATE dialog;
  WORD menu, windowClass, title;
};

bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

}  // namespace

OptionsDialog::OptionsDialog(com::ComPtr<IDispatch> pageSite, const std::vector<OptionsPageRequest>& requests,
                             const Creator& create, ContainerStyle style)
    : style_(style) {
  pageSite_ = com::ComPtr<IDispatch>::Attach(new StatusSite(std::move(pageSite), [this] { OnStatusChange(); }));
  static const bool registered = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    WNDCLASSEXW site{};
    site.cbSize = sizeof(site);
    site.lpfnWndProc = &::DefWindowProcW;
    site.hInstance = ::GetModuleHandleW(nullptr);
    site.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    site.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    site.lpszClassName = kSiteClass;
    return ::RegisterClassExW(&site) != 0;
  }();
  if (!registered) return;

  EmptyTemplate empty = {};
  empty.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN;
  empty.dialog.dwExtendedStyle = WS_EX_CONTROLPARENT;
  window_ = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), &empty.dialog, nullptr,
                                         &OptionsDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  if (!window_) return;
  ::SetPropW(window_, kDialogMark, reinterpret_cast<HANDLE>(1));
  ::SetWindowTextW(window_, L"Options");
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  const auto px = [dpi](int pixels) { return ::MulDiv(pixels, dpi, 96); };
  RECT frame{0, 0, px(kWidth), px(kHeight)};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(window_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(window_, GWL_EXSTYLE)));
  ::SetWindowPos(window_, nullptr, 40, 40, frame.right - frame.left, frame.bottom - frame.top, SWP_NOZORDER);
  frame_ = std::make_unique<InPlaceFrame>(window_);

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  // Outlook's dialogs use a 9-point font, a size the system's message font seldom has: a page
  // that takes its container's ambient font shows it.
  metrics.lfMessageFont.lfHeight = -::MulDiv(9, dpi, 72);
  font_ = ::CreateFontIndirectW(&metrics.lfMessageFont);
  auto child = [&](const wchar_t* windowClass, const wchar_t* text, DWORD childStyle, int id, RECT r,
                   DWORD exStyle = 0) {
    HWND control = ::CreateWindowExW(exStyle, windowClass, text, WS_CHILD | childStyle, r.left, r.top, r.right - r.left,
                                     r.bottom - r.top, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                     nullptr, nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    return control;
  };
  tabs_ = child(WC_TABCONTROLW, L"", WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, kTabs,
                {px(kMargin), px(kMargin), px(kWidth - kMargin), px(kHeight - 2 * kMargin - kButtonHeight - 3)});
  const int buttonsTop = px(kHeight - kMargin - kButtonHeight);
  int left = px(kWidth - kMargin - 3 * kButtonWidth - 12);
  for (auto [id, text] :
       {std::pair{IDOK, L"OK"}, std::pair{IDCANCEL, L"Cancel"}, std::pair{+kApplyButton, L"&Apply"}}) {
    HWND button = child(L"BUTTON", text, WS_VISIBLE | WS_TABSTOP | (id == IDOK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), id,
                        {left, buttonsTop, left + px(kButtonWidth), buttonsTop + px(kButtonHeight)});
    if (id == kApplyButton) ::EnableWindow(button, FALSE);
    left += px(kButtonWidth + 6);
  }
  ::SendMessageW(window_, DM_SETDEFID, IDOK, 0);

  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(L"Preferences");
  ::SendMessageW(tabs_, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  const RECT area = PageArea();
  builtIn_ = child(L"STATIC", L"Outlook's own preferences are not part of this stand-in.", SS_LEFT, 11,
                   {area.left + px(kMargin), area.top + px(kMargin), area.right - px(kMargin), area.top + px(48)});

  ::ShowWindow(window_, SW_SHOW);
  ::UpdateWindow(window_);
  pages_.resize(requests.size());
  for (size_t i = 0; i < requests.size(); ++i) {
    item.pszText = const_cast<wchar_t*>(requests[i].Caption.c_str());
    ::SendMessageW(tabs_, TCM_INSERTITEMW, static_cast<WPARAM>(i + 1), reinterpret_cast<LPARAM>(&item));
    CreatePage(pages_[i], requests[i], area, create);
  }
  // The first added page is in front, as after a click on its tab.
  if (!pages_.empty()) {
    SelectPage(pages_.front());
  } else {
    ShowTab(0, false);
  }
}

OptionsDialog::~OptionsDialog() {
  Close();
  if (font_) ::DeleteObject(font_);
}

bool OptionsDialog::IsOptionsDialog(HWND window) { return window && ::GetPropW(window, kDialogMark) != nullptr; }

void OptionsDialog::CreatePage(Page& page, const OptionsPageRequest& request, const RECT& area, const Creator& create) {
  page.ProgId = request.ProgId;
  page.Caption = request.Caption;
  page.SiteWindow = ::CreateWindowExW(WS_EX_CONTROLPARENT, kSiteClass, L"", WS_CHILD | WS_CLIPCHILDREN, area.left,
                                      area.top, area.right - area.left, area.bottom - area.top, window_, nullptr,
                                      ::GetModuleHandleW(nullptr), nullptr);
  page.ClientSite = std::make_unique<ControlSite>(page.SiteWindow, pageSite_, true, frame_.get(), RECT{}, font_);
  auto fail = [&](HRESULT hr) {
    page.Outcome = hr;
    page.Control.Reset();
    page.Properties.Reset();
  };
  HRESULT hr = S_OK;
  if (request.Control) {
    hr = request.Control.As(IID_IOleObject, page.Control);
  } else {
    com::ComPtr<IUnknown> object;
    hr = create(request.ProgId, object);
    if (SUCCEEDED(hr)) hr = object.As(IID_IOleObject, page.Control);
  }
  if (FAILED(hr)) return fail(hr);
  if (FAILED(hr = Initialise(page))) return fail(hr);
  page.Control.As(IID_PropertyPage, page.Properties);
  RECT position{};
  ::GetClientRect(page.SiteWindow, &position);
  hr = page.Control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, page.ClientSite.get(), 0, page.SiteWindow, &position);
  if (FAILED(hr)) return fail(hr);
  com::ComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(page.Control.As(IID_IOleInPlaceObject, inPlace))) inPlace->GetWindow(&page.Window);
  ReadMnemonics(page);
}

// The client site and the control's first state, in the order the container's style gives.
HRESULT OptionsDialog::Initialise(Page& page) {
  DWORD misc = 0;
  page.Control->GetMiscStatus(DVASPECT_CONTENT, &misc);
  const bool siteFirst =
      style_.order != ContainerStyle::Order::InitNewFirst &&
      (style_.order != ContainerStyle::Order::MiscStatus || (misc & OLEMISC_SETCLIENTSITEFIRST) != 0);
  HRESULT hr = S_OK;
  if (siteFirst && FAILED(hr = page.Control->SetClientSite(page.ClientSite.get()))) return hr;
  com::ComPtr<IPersistStreamInit> stream;
  com::ComPtr<IPersistPropertyBag> bag;
  switch (style_.order) {
    case ContainerStyle::Order::LoadStream: {
      if (FAILED(hr = page.Control.As(IID_IPersistStreamInit, stream))) return hr;
      com::ComPtr<IStream> empty;
      if (FAILED(hr = ::CreateStreamOnHGlobal(nullptr, TRUE, empty.Put()))) return hr;
      hr = stream->Load(empty.Get());
      break;
    }
    case ContainerStyle::Order::LoadBag: {
      if (FAILED(hr = page.Control.As(IID_IPersistPropertyBag, bag))) return hr;
      EmptyBag empty;
      hr = bag->Load(&empty, nullptr);
      break;
    }
    default:
      if (SUCCEEDED(page.Control.As(IID_IPersistStreamInit, stream))) {
        hr = stream->InitNew();
      } else if (SUCCEEDED(hr = page.Control.As(IID_IPersistPropertyBag, bag))) {
        hr = bag->InitNew();
      }
      break;
  }
  if (FAILED(hr)) return hr;
  if (!siteFirst) hr = page.Control->SetClientSite(page.ClientSite.get());
  return hr;
}

void OptionsDialog::ReadMnemonics(Page& page) {
  page.Mnemonics.clear();
  com::ComPtr<IOleControl> control;
  CONTROLINFO info{};
  info.cb = sizeof info;
  if (!page.Control || FAILED(page.Control.As(IID_IOleControl, control)) || FAILED(control->GetControlInfo(&info)) ||
      !info.hAccel || info.cAccel == 0) {
    return;
  }
  page.Mnemonics.resize(info.cAccel);
  page.Mnemonics.resize(static_cast<size_t>(::CopyAcceleratorTableW(info.hAccel, page.Mnemonics.data(), info.cAccel)));
}

OptionsDialog::Page* OptionsDialog::Find(const std::wstring& progId) {
  for (Page& page : pages_) {
    if (page.Control && ::lstrcmpiW(page.ProgId.c_str(), progId.c_str()) == 0) return &page;
  }
  return nullptr;
}

void OptionsDialog::SelectPage(const Page& page) {
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (&pages_[i] == &page) {
      ::SendMessageW(tabs_, TCM_SETCURSEL, i + 1, 0);
      ShowTab(static_cast<int>(i + 1), false);
    }
  }
}

void OptionsDialog::ShowTab(int tab, bool fromKeyboard) {
  HWND focus = ::GetFocus();
  for (size_t i = 0; i < pages_.size(); ++i) {
    Page& page = pages_[i];
    if (static_cast<int>(i + 1) == tab || !page.SiteWindow) continue;
    // Focus left in a page that goes out of sight would take keys nobody sees.
    if (focus && (focus == page.SiteWindow || ::IsChild(page.SiteWindow, focus))) ::SetFocus(tabs_);
    if (style_.switching == ContainerStyle::Switch::Verb && page.Control && page.Shown) {
      RECT position{};
      ::GetClientRect(page.SiteWindow, &position);
      page.Control->DoVerb(OLEIVERB_HIDE, nullptr, page.ClientSite.get(), 0, page.SiteWindow, &position);
      page.Shown = false;
    } else {
      ::ShowWindow(page.SiteWindow, SW_HIDE);
    }
  }
  ::ShowWindow(builtIn_, tab == 0 ? SW_SHOW : SW_HIDE);
  if (tab < 1 || static_cast<size_t>(tab) > pages_.size()) return;
  Page& page = pages_[static_cast<size_t>(tab - 1)];
  if (!page.SiteWindow) return;
  ::SetWindowPos(page.SiteWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  if (page.Control && !page.Shown) {
    RECT position{};
    ::GetClientRect(page.SiteWindow, &position);
    const LONG verb =
        fromKeyboard && style_.switching == ContainerStyle::Switch::Verb ? OLEIVERB_UIACTIVATE : OLEIVERB_SHOW;
    page.Control->DoVerb(verb, nullptr, page.ClientSite.get(), 0, page.SiteWindow, &position);
    page.Shown = true;
  }
}

RECT OptionsDialog::PageArea() const {
  RECT area{};
  ::GetWindowRect(tabs_, &area);
  ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
  ::SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  return area;
}

int OptionsDialog::CurrentTab() const { return static_cast<int>(::SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)); }

void OptionsDialog::OnStatusChange() {
  // Outlook enables Apply when a page says it has changes.
  bool dirty = false;
  for (Page& page : pages_) {
    VARIANT_BOOL pageDirty = VARIANT_FALSE;
    if (page.Properties && SUCCEEDED(page.Properties->get_Dirty(&pageDirty)))
      dirty = dirty || pageDirty != VARIANT_FALSE;
  }
  if (window_) ::EnableWindow(::GetDlgItem(window_, kApplyButton), dirty);
}

void OptionsDialog::ApplyPages() {
  for (Page& page : pages_) {
    if (page.Properties) page.Properties->Apply();
  }
  if (window_) ::EnableWindow(::GetDlgItem(window_, kApplyButton), FALSE);
}

void OptionsDialog::Close() {
  for (Page& page : pages_) {
    if (page.Control) {
      page.Control->Close(OLECLOSE_NOSAVE);
      page.Control->SetClientSite(nullptr);
    }
    page.Properties.Reset();
    page.Control.Reset();  // the last reference: the page terminates
    page.Window = nullptr;
  }
  if (frame_) frame_->SetActiveObject(nullptr, nullptr);
  if (window_) {
    HWND window = std::exchange(window_, nullptr);
    ::RemovePropW(window, kDialogMark);
    ::DestroyWindow(window);
  }
}

// An access key of a page the focus is not in: the container finds it among the keys the
// control declared and hands it over with OnMnemonic.
bool OptionsDialog::Mnemonic(MSG& message) {
  if (message.message != WM_SYSKEYDOWN) return false;
  const int tab = CurrentTab();
  if (tab < 1 || static_cast<size_t>(tab) > pages_.size()) return false;
  Page& page = pages_[static_cast<size_t>(tab - 1)];
  for (const ACCEL& key : page.Mnemonics) {
    if (key.key != static_cast<WORD>(message.wParam) || !(key.fVirt & FALT)) continue;
    com::ComPtr<IOleControl> control;
    return page.Control && SUCCEEDED(page.Control.As(IID_IOleControl, control)) &&
           control->OnMnemonic(&message) == S_OK;
  }
  return false;
}

bool OptionsDialog::TranslateKey(MSG& message) {
  if (!window_ || (message.message < WM_KEYFIRST || message.message > WM_KEYLAST)) return false;
  if (message.hwnd != window_ && !::IsChild(window_, message.hwnd)) return false;
  // The UI-active object sees the keys first; a control that never made itself active sees none.
  if (IOleInPlaceActiveObject* active = ActiveObject(); active && active->TranslateAccelerator(&message) == S_OK) {
    return true;
  }
  if (message.message == WM_KEYDOWN && KeyDown(VK_CONTROL) &&
      (message.wParam == VK_TAB || message.wParam == VK_NEXT || message.wParam == VK_PRIOR)) {
    const int count = static_cast<int>(pages_.size()) + 1;
    const bool back = message.wParam == VK_PRIOR || (message.wParam == VK_TAB && KeyDown(VK_SHIFT));
    const int tab = (CurrentTab() + (back ? count - 1 : 1)) % count;
    ::SendMessageW(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
    ShowTab(tab, true);
    return true;
  }
  if (Mnemonic(message)) return true;
  return ::IsDialogMessageW(window_, &message) != FALSE;
}

void OptionsDialog::RunModal() {
  MSG message;
  while (window_ && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (TranslateKey(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

INT_PTR CALLBACK OptionsDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(window, DWLP_USER, lParam);
    return TRUE;
  }
  auto* dialog = reinterpret_cast<OptionsDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
  return dialog && dialog->window_ == window ? dialog->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR OptionsDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          ApplyPages();
          Close();
          return TRUE;
        case IDCANCEL:
          Close();
          return TRUE;
        case kApplyButton:
          ApplyPages();
          return TRUE;
        default:
          return FALSE;
      }
    case WM_NOTIFY:
      if (reinterpret_cast<const NMHDR*>(lParam)->hwndFrom == tabs_ &&
          reinterpret_cast<const NMHDR*>(lParam)->code == TCN_SELCHANGE) {
        ShowTab(CurrentTab(), false);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      Close();
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace bellnest::standin
