// The Options dialog and the in-place sites of its pages.
#include "standin/options_dialog.h"

#include <functional>
#include <utility>

#include "standin/dispatch_object.h"
#include "standin/standin.h"

namespace bellnest::standin {

namespace {

constexpr const wchar_t* kDialogClass = L"BellnestOutlookOptions";
constexpr int kWidth = 440;   // client pixels: a page of 5160 twips (344 px) and the tab's margins
constexpr int kHeight = 430;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

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

}  // namespace

// A page's client site: in-place activation into the dialog's window at the page's area, and
// Outlook's page site when the page asks the site (or the site's container) for it.
class OptionsDialog::Page::Site final : public IOleClientSite, public IOleInPlaceSite, public IOleContainer {
 public:
  Site(HWND window, RECT area, com::ComPtr<IDispatch> pageSite)
      : window_(window), area_(area), pageSite_(std::move(pageSite)) {}
  virtual ~Site() = default;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleContainer) || IsEqualIID(iid, IID_IParseDisplayName)) {
      *out = static_cast<IOleContainer*>(this);
    } else if (IsEqualIID(iid, IID_PropertyPageSite)) {
      return pageSite_->QueryInterface(iid, out);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  // The dialog owns its sites and outlives every page's reference to them.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (!container) return E_POINTER;
    *container = static_cast<IOleContainer*>(this);
    return S_OK;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceSite
  STDMETHODIMP GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    *frame = nullptr;
    *document = nullptr;
    *position = area_;
    *clip = area_;
    info->fMDIApp = FALSE;
    info->hwndFrame = window_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleContainer
  STDMETHODIMP ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumObjects(DWORD, IEnumUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP LockContainer(BOOL) override { return S_OK; }

 private:
  HWND window_;
  RECT area_;
  com::ComPtr<IDispatch> pageSite_;
};

OptionsDialog::OptionsDialog(com::ComPtr<IDispatch> pageSite, const std::vector<OptionsPageRequest>& requests,
                             const Creator& create) {
  pageSite_ = com::ComPtr<IDispatch>::Attach(new StatusSite(std::move(pageSite), [this] { OnStatusChange(); }));
  static const bool registered = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &OptionsDialog::WindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kDialogClass;
    return ::RegisterClassExW(&windowClass) != 0;
  }();
  if (!registered) return;

  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP | WS_CLIPCHILDREN;
  RECT frame{0, 0, kWidth, kHeight};
  ::AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  window_ = ::CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kDialogClass, L"Options", style, 40, 40,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              ::GetModuleHandleW(nullptr), this);
  if (!window_) return;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  font_ = ::CreateFontIndirectW(&metrics.lfMessageFont);
  auto child = [&](const wchar_t* windowClass, const wchar_t* text, DWORD childStyle, int id, RECT r) {
    HWND control = ::CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | childStyle, r.left, r.top,
                                     r.right - r.left, r.bottom - r.top, window_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    return control;
  };
  tabs_ = child(WC_TABCONTROLW, L"", WS_CLIPSIBLINGS | WS_TABSTOP, kTabs, {8, 8, kWidth - 8, kHeight - 42});
  const int buttonsTop = kHeight - 8 - kButtonHeight;
  int left = kWidth - 8 - 3 * kButtonWidth - 12;
  for (auto [id, text] : {std::pair{IDOK, L"OK"}, std::pair{IDCANCEL, L"Cancel"}, std::pair{+kApplyButton, L"&Apply"}}) {
    HWND button = child(L"BUTTON", text, WS_TABSTOP | (id == IDOK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), id,
                        {left, buttonsTop, left + kButtonWidth, buttonsTop + kButtonHeight});
    if (id == kApplyButton) ::EnableWindow(button, FALSE);
    left += kButtonWidth + 6;
  }

  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(L"Preferences");
  ::SendMessageW(tabs_, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  const RECT area = PageArea();
  builtIn_ = child(L"STATIC", L"Outlook's own preferences are not part of this stand-in.", SS_LEFT, 11,
                   {area.left + 8, area.top + 8, area.right - 8, area.top + 48});
  ::ShowWindow(builtIn_, SW_HIDE);

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
    ::ShowWindow(builtIn_, SW_SHOW);
  }
}

OptionsDialog::~OptionsDialog() {
  Close();
  if (font_) ::DeleteObject(font_);
}

void OptionsDialog::CreatePage(Page& page, const OptionsPageRequest& request, const RECT& area,
                               const Creator& create) {
  page.ProgId = request.ProgId;
  page.Caption = request.Caption;
  page.ClientSite = std::make_unique<Page::Site>(window_, area, pageSite_);
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
  // The site first: the control finds Outlook through it when it initialises.
  if (FAILED(hr = page.Control->SetClientSite(page.ClientSite.get()))) return fail(hr);
  com::ComPtr<IPersistStreamInit> persist;
  if (SUCCEEDED(page.Control.As(IID_IPersistStreamInit, persist))) {
    hr = persist->InitNew();
  } else {
    com::ComPtr<IPersistPropertyBag> bag;
    hr = page.Control.As(IID_IPersistPropertyBag, bag);
    if (SUCCEEDED(hr)) hr = bag->InitNew();
  }
  if (FAILED(hr)) return fail(hr);
  page.Control.As(IID_PropertyPage, page.Properties);
  RECT position = area;
  hr = page.Control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, page.ClientSite.get(), 0, window_, &position);
  if (FAILED(hr)) return fail(hr);
  com::ComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(page.Control.As(IID_IOleInPlaceObject, inPlace))) inPlace->GetWindow(&page.Window);
  if (page.Window) ::ShowWindow(page.Window, SW_HIDE);
}

OptionsDialog::Page* OptionsDialog::Find(const std::wstring& progId) {
  for (Page& page : pages_) {
    if (page.Control && ::lstrcmpiW(page.ProgId.c_str(), progId.c_str()) == 0) return &page;
  }
  return nullptr;
}

void OptionsDialog::SelectPage(const Page& page) {
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (&pages_[i] != &page) {
      if (pages_[i].Window) ::ShowWindow(pages_[i].Window, SW_HIDE);
      continue;
    }
    ::SendMessageW(tabs_, TCM_SETCURSEL, i + 1, 0);
    ::ShowWindow(builtIn_, SW_HIDE);
    if (page.Window) {
      ::SetWindowPos(page.Window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }
    if (page.Control) {
      RECT position = PageArea();
      page.Control->DoVerb(OLEIVERB_SHOW, nullptr, page.ClientSite.get(), 0, window_, &position);
    }
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
    if (page.Properties && SUCCEEDED(page.Properties->get_Dirty(&pageDirty))) dirty = dirty || pageDirty != VARIANT_FALSE;
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
  if (window_) {
    HWND window = std::exchange(window_, nullptr);
    ::DestroyWindow(window);
  }
}

bool OptionsDialog::TranslateKey(MSG& message) {
  if (!window_ || (message.message < WM_KEYFIRST || message.message > WM_KEYLAST)) return false;
  if (message.hwnd != window_ && !::IsChild(window_, message.hwnd)) return false;
  // The page in front sees its keys first, as in Outlook's dialog; what it leaves (Tab off
  // its ends, Enter, Esc) is the dialog's.
  const int tab = CurrentTab();
  if (tab >= 1 && static_cast<size_t>(tab) <= pages_.size()) {
    Page& page = pages_[static_cast<size_t>(tab - 1)];
    com::ComPtr<IOleInPlaceActiveObject> active;
    if (page.Control && SUCCEEDED(page.Control.As(IID_IOleInPlaceActiveObject, active)) &&
        active->TranslateAccelerator(&message) == S_OK) {
      return true;
    }
  }
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

LRESULT CALLBACK OptionsDialog::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* dialog = reinterpret_cast<OptionsDialog*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (dialog && dialog->window_ == window) return dialog->Handle(message, wParam, lParam);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT OptionsDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          ApplyPages();
          Close();
          return 0;
        case IDCANCEL:
          Close();
          return 0;
        case kApplyButton:
          ApplyPages();
          return 0;
        default:
          break;
      }
      break;
    case WM_NOTIFY:
      if (reinterpret_cast<const NMHDR*>(lParam)->hwndFrom == tabs_ &&
          reinterpret_cast<const NMHDR*>(lParam)->code == TCN_SELCHANGE) {
        const int tab = CurrentTab();
        if (tab >= 1 && static_cast<size_t>(tab) <= pages_.size()) {
          SelectPage(pages_[static_cast<size_t>(tab - 1)]);
        } else {
          for (Page& page : pages_) {
            if (page.Window) ::ShowWindow(page.Window, SW_HIDE);
          }
          ::ShowWindow(builtIn_, SW_SHOW);
        }
        return 0;
      }
      break;
    case WM_CLOSE:
      Close();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace bellnest::standin
