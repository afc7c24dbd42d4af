// The OLE side of UserControl1: in-place activation, persistence without saved state,
// drawing, keyboard and mnemonics, class information, and Outlook's PropertyPage by vtable and
// through IDispatch. The page itself is the portable core's UserControl1; this object raises
// its events as a control container would: Initialize at creation, InitProperties at InitNew
// (once the client site is known), Show at in-place activation, Paint at WM_PAINT,
// EnterFocus and GotFocus when the focus comes onto the page, Terminate at the last Release.
// Every call that runs the page's code or calls back into the container holds a reference on
// the control: a message box, a modal dialog or a pump inside may let the container release
// its last one, and the control then ends when the call is over, not under its feet.
#include "com/user_control_ole.h"

#include <memory>
#include <string>
#include <vector>

#include "com/com_object.h"
#include "com/com_ptr.h"
#include "com/host_adapters.h"
#include "com/page_window.h"
#include "com/ppbellnest_h.h"
#include "com/thread_world.h"
#include "page/user_control.h"
#include "platform/win32/gui_tally.h"

namespace bellnest::com {

namespace {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

void DestroyAccelerators(HACCEL& table) {
  if (table && ::DestroyAcceleratorTable(table)) win32::TallyDestroyed(win32::GuiObject::Accelerators);
  table = nullptr;
}

// HIMETRIC (0.01 mm) from twips.
LONG HimetricFromTwips(int twips) { return ::MulDiv(twips, 2540, 1440); }

class UserControl final : public IOleObject,
                          public IOleInPlaceObject,
                          public IOleInPlaceActiveObject,
                          public IOleControl,
                          public IViewObject2,
                          public IPersistStreamInit,
                          public IPersistPropertyBag,
                          public IProvideClassInfo2,
                          public DualInterface<PropertyPage, &IID_PropertyPage>,
                          private PageWindowEvents,
                          private TreeViewEvents,
                          private RefCounted<UserControl> {
 public:
  UserControl();

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD saveOption) override;
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override;
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT) override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) override;
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override;
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override { return INPLACE_E_NOTUNDOABLE; }
  STDMETHODIMP TranslateAccelerator(LPMSG message) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
  STDMETHODIMP OnMnemonic(MSG* message) override;
  STDMETHODIMP OnAmbientPropertyChange(DISPID) override { return S_OK; }
  STDMETHODIMP FreezeEvents(BOOL) override { return S_OK; }

  // IViewObject, IViewObject2
  STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                    BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override;

  // IPersist, IPersistStreamInit, IPersistPropertyBag: the page keeps no saved properties.
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(LPSTREAM) override { return InitNew(); }
  STDMETHODIMP Save(LPSTREAM, BOOL) override { return S_OK; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
  STDMETHODIMP InitNew() override;
  // Nothing is saved, so loading initialises the page as InitNew does, once.
  STDMETHODIMP Load(IPropertyBag*, IErrorLog*) override { return InitNew(); }
  STDMETHODIMP Save(IPropertyBag*, BOOL, BOOL) override { return S_OK; }

  // IProvideClassInfo, IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

  // PropertyPage
  STDMETHODIMP GetPageInfo(BSTR* helpFile, LONG* helpContext) override;
  STDMETHODIMP get_Dirty(VARIANT_BOOL* dirty) override;
  STDMETHODIMP Apply() override;

 private:
  friend class RefCounted<UserControl>;
  ~UserControl();

  // The container's end of the page: the page site from the client site, else its container.
  class Container final : public PageContainer {
   public:
    explicit Container(UserControl& control) : control_(control) {}
    Result<PropertyPageSitePtr> Parent() override;

   private:
    UserControl& control_;
  };

  // For the length of a call (see the top of the file).
  ComPtr<IOleObject> Hold() { return ComPtr<IOleObject>(this); }

  IUnknown& Owner() override { return *static_cast<IOleObject*>(this); }
  void OnPagePaint() override;
  void OnFocusEntered() override;
  void OnFocusLeft() override;
  // The tree's events pass through here on their way to the page, held: the user's tick comes
  // from a message of the tree's own window, not the page's.
  void TreeView1_Expand(const TreeNodePtr& node) override;
  void TreeView1_NodeCheck(const TreeNodePtr& node) override;

  void RunInitProperties();
  // The container's ambient font for the page's controls, if it offers one.
  void UseAmbientFont();
  // Tells the control site that the focus came onto the page or left it.
  void TellFocus(bool gotFocus);
  HRESULT ActivateInPlace(IOleClientSite* site, bool uiActivate);
  HRESULT ActivateUi();

  // The thread's seams first: the core page needs them until the very end.
  std::shared_ptr<ThreadWorld> world_;
  PageWindow window_;
  std::shared_ptr<Container> container_;
  std::unique_ptr<UserControl1> page_;

  ComPtr<IOleClientSite> clientSite_;
  ComPtr<IFont> ambientFont_;  // owns the font the controls use while it is set
  ComPtr<IOleInPlaceSite> inPlaceSite_;
  ComPtr<IOleInPlaceFrame> frame_;
  ComPtr<IOleInPlaceUIWindow> document_;
  ComPtr<IOleAdviseHolder> adviseHolder_;
  ComPtr<IAdviseSink> viewSink_;
  DWORD viewAspects_ = 0;
  DWORD viewFlags_ = 0;
  HACCEL accelerators_ = nullptr;
  SIZEL extent_{HimetricFromTwips(PageWindow::kWidthTwips), HimetricFromTwips(PageWindow::kHeightTwips)};
  bool initialized_ = false;
  bool initPropertiesPending_ = false;
  bool uiActive_ = false;
};

UserControl::UserControl()
    : world_(ThreadWorld::Acquire()), window_(*this), container_(std::make_shared<Container>(*this)) {
  // The core page over the Win32 controls; without them (no window could be made) the control
  // still answers its container, with no page behind it.
  if (win32::Win32PageWindow* controls = window_.Controls()) {
    PageControls parts = controls->Controls();
    parts.Container = container_;
    page_ = std::make_unique<UserControl1>(std::move(parts));
    controls->SetButtonHandlers([this] { page_->cmdAbout_Click(); }, [this] { page_->cmdHelp_Click(); });
    controls->Tree()->SetEvents(this);
    world_->Ui().SetPageWindow(window_.Handle());
    page_->UserControl_Initialize();
  }
}

UserControl::~UserControl() {
  // Terminate runs here and only here: whatever order the container closed things in, the
  // last reference is released exactly once.
  Guarded("UserControl_Terminate", [&] {
    if (page_) page_->UserControl_Terminate();
    page_.reset();
  });
  if (win32::Win32PageWindow* controls = window_.Controls()) controls->SetFont(nullptr);
  world_->Ui().SetPageWindow(nullptr);
  world_->Ui().SetContainerWindow(nullptr);
  DestroyAccelerators(accelerators_);
}

STDMETHODIMP UserControl::QueryInterface(REFIID iid, void** out) {
  static const InterfaceEntry<UserControl> kInterfaces[] = {
      {&IID_IOleObject, &CastTo<UserControl, IOleObject>},
      {&IID_IOleWindow, &CastTo<UserControl, IOleInPlaceObject>},
      {&IID_IOleInPlaceObject, &CastTo<UserControl, IOleInPlaceObject>},
      {&IID_IOleInPlaceActiveObject, &CastTo<UserControl, IOleInPlaceActiveObject>},
      {&IID_IOleControl, &CastTo<UserControl, IOleControl>},
      {&IID_IViewObject, &CastTo<UserControl, IViewObject2>},
      {&IID_IViewObject2, &CastTo<UserControl, IViewObject2>},
      {&IID_IPersist, &CastTo<UserControl, IPersistStreamInit>},
      {&IID_IPersistStreamInit, &CastTo<UserControl, IPersistStreamInit>},
      {&IID_IPersistPropertyBag, &CastTo<UserControl, IPersistPropertyBag>},
      {&IID_IProvideClassInfo, &CastTo<UserControl, IProvideClassInfo2>},
      {&IID_IProvideClassInfo2, &CastTo<UserControl, IProvideClassInfo2>},
      {&IID_IDispatch, &CastTo<UserControl, PropertyPage>},
      {&IID_PropertyPage, &CastTo<UserControl, PropertyPage>},
  };
  return QueryInterfaceFrom(this, kInterfaces, iid, out);
}

// ---- the page site -------------------------------------------------------------------------

Result<PropertyPageSitePtr> UserControl::Container::Parent() {
  if (!control_.clientSite_) return PropertyPageSitePtr();  // no container yet: Nothing
  if (PropertyPageSitePtr site = WrapPageSite(control_.clientSite_.Get())) return site;
  ComPtr<IOleContainer> container;
  if (SUCCEEDED(control_.clientSite_->GetContainer(container.Put())) && container) {
    if (PropertyPageSitePtr site = WrapPageSite(container.Get())) return site;
  }
  // A container that is not Outlook's page site: Set PageSite = Parent is a type mismatch.
  return RuntimeError(err::kTypeMismatch);
}

// ---- IOleObject ----------------------------------------------------------------------------

STDMETHODIMP UserControl::SetClientSite(IOleClientSite* site) {
  const auto hold = Hold();
  return Guarded("IOleObject.SetClientSite", [&]() -> HRESULT {
    clientSite_ = ComPtr<IOleClientSite>(site);
    // The container's window, whose dialog owns the page's message boxes from now on, even
    // those InitProperties shows before the page is activated in place.
    HWND containerWindow = nullptr;
    ComPtr<IOleWindow> window;
    if (clientSite_ && SUCCEEDED(clientSite_.As(IID_IOleWindow, window))) window->GetWindow(&containerWindow);
    world_->Ui().SetContainerWindow(containerWindow);
    UseAmbientFont();
    // A container that called InitNew first gets InitProperties now, with a site to ask.
    if (clientSite_ && initPropertiesPending_) RunInitProperties();
    return S_OK;
  });
}

STDMETHODIMP UserControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = ComPtr<IOleClientSite>(clientSite_).Detach();
  return S_OK;
}

STDMETHODIMP UserControl::Close(DWORD) {
  const auto hold = Hold();
  return Guarded("IOleObject.Close", [&]() -> HRESULT {
    InPlaceDeactivate();
    if (adviseHolder_) adviseHolder_->SendOnClose();
    return S_OK;
  });
}

STDMETHODIMP UserControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (!moniker) return E_POINTER;
  *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP UserControl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT) {
  const auto hold = Hold();
  return Guarded("IOleObject.DoVerb", [&]() -> HRESULT {
    IOleClientSite* site = activeSite ? activeSite : clientSite_.Get();
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_UIACTIVATE:
        return ActivateInPlace(site, true);
      case OLEIVERB_INPLACEACTIVATE:
        return ActivateInPlace(site, false);
      case OLEIVERB_HIDE:
        UIDeactivate();
        ::ShowWindow(window_.Handle(), SW_HIDE);
        return S_OK;
      default:
        return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
    }
  });
}

STDMETHODIMP UserControl::EnumVerbs(IEnumOLEVERB** verbs) { return ::OleRegEnumVerbs(CLSID_UserControl1, verbs); }

STDMETHODIMP UserControl::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_UserControl1;
  return S_OK;
}

STDMETHODIMP UserControl::GetUserType(DWORD form, LPOLESTR* type) {
  return ::OleRegGetUserType(CLSID_UserControl1, form, type);
}

STDMETHODIMP UserControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  extent_ = *size;
  return S_OK;
}

STDMETHODIMP UserControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  *size = extent_;
  return S_OK;
}

STDMETHODIMP UserControl::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!adviseHolder_) {
    const HRESULT hr = ::CreateOleAdviseHolder(adviseHolder_.Put());
    if (FAILED(hr)) return hr;
  }
  return adviseHolder_->Advise(sink, cookie);
}

STDMETHODIMP UserControl::Unadvise(DWORD cookie) {
  return adviseHolder_ ? adviseHolder_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP UserControl::EnumAdvise(IEnumSTATDATA** advise) {
  if (!advise) return E_POINTER;
  *advise = nullptr;
  return adviseHolder_ ? adviseHolder_->EnumAdvise(advise) : S_OK;
}

STDMETHODIMP UserControl::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = kControlMiscStatus;
  return S_OK;
}

// ---- in-place activation -------------------------------------------------------------------

HRESULT UserControl::ActivateInPlace(IOleClientSite* site, bool uiActivate) {
  if (!inPlaceSite_) {
    if (!site) return E_UNEXPECTED;
    ComPtr<IOleInPlaceSite> inPlace;
    HRESULT hr = ComPtr<IOleClientSite>(site).As(IID_IOleInPlaceSite, inPlace);
    if (FAILED(hr)) return hr;
    if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
    inPlace->OnInPlaceActivate();
    HWND parent = nullptr;
    hr = inPlace->GetWindow(&parent);
    if (FAILED(hr)) return hr;
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    hr = inPlace->GetWindowContext(frame_.Put(), document_.Put(), &position, &clip, &frameInfo);
    if (FAILED(hr)) return hr;
    inPlaceSite_ = inPlace;
    window_.Attach(parent, position);
    if (page_) page_->UserControl_Show();
  } else if (!::IsWindowVisible(window_.Handle())) {
    // Shown again after OLEIVERB_HIDE.
    ::ShowWindow(window_.Handle(), SW_SHOWNA);
    if (page_) page_->UserControl_Show();
  }
  return uiActivate ? ActivateUi() : S_OK;
}

HRESULT UserControl::ActivateUi() {
  if (uiActive_ || !inPlaceSite_) return S_OK;
  uiActive_ = true;
  inPlaceSite_->OnUIActivate();
  if (frame_) frame_->SetActiveObject(this, nullptr);
  if (document_) document_->SetActiveObject(this, nullptr);
  if (!window_.HasFocus()) window_.FocusFirstControl();
  return S_OK;
}

STDMETHODIMP UserControl::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_.Handle();
  return *window ? S_OK : E_FAIL;
}

STDMETHODIMP UserControl::InPlaceDeactivate() {
  const auto hold = Hold();
  return Guarded("IOleInPlaceObject.InPlaceDeactivate", [&]() -> HRESULT {
    if (!inPlaceSite_) return S_OK;
    UIDeactivate();
    window_.Detach();
    ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
    frame_ = nullptr;
    document_ = nullptr;
    site->OnInPlaceDeactivate();
    return S_OK;
  });
}

STDMETHODIMP UserControl::UIDeactivate() {
  const auto hold = Hold();
  return Guarded("IOleInPlaceObject.UIDeactivate", [&]() -> HRESULT {
    if (!uiActive_) return S_OK;
    uiActive_ = false;
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    if (document_) document_->SetActiveObject(nullptr, nullptr);
    if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
  });
}

STDMETHODIMP UserControl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  window_.Move(*position);
  return S_OK;
}

STDMETHODIMP UserControl::TranslateAccelerator(LPMSG message) {
  const auto hold = Hold();
  return Guarded("IOleInPlaceActiveObject.TranslateAccelerator", [&]() -> HRESULT {
    if (!message) return E_POINTER;
    return window_.TranslateKey(*message) ? S_OK : S_FALSE;
  });
}

// ---- IOleControl ---------------------------------------------------------------------------

STDMETHODIMP UserControl::GetControlInfo(CONTROLINFO* info) {
  return Guarded("IOleControl.GetControlInfo", [&]() -> HRESULT {
    if (!info) return E_POINTER;
    std::vector<ACCEL> keys = window_.MnemonicAccelerators();
    DestroyAccelerators(accelerators_);
    if (!keys.empty()) {
      accelerators_ = win32::Tallied(win32::GuiObject::Accelerators,
                                     ::CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size())));
    }
    info->cb = sizeof(CONTROLINFO);
    info->hAccel = accelerators_;
    info->cAccel = static_cast<USHORT>(accelerators_ ? keys.size() : 0);
    info->dwFlags = 0;
    return S_OK;
  });
}

STDMETHODIMP UserControl::OnMnemonic(MSG* message) {
  const auto hold = Hold();
  return Guarded("IOleControl.OnMnemonic", [&]() -> HRESULT {
    if (!message) return E_POINTER;
    const wchar_t key = PageWindow::AccessKeyOf(*message);
    if (!key) return S_FALSE;
    ActivateUi();
    return window_.Mnemonic(key) ? S_OK : S_FALSE;
  });
}

// ---- IViewObject2 --------------------------------------------------------------------------

STDMETHODIMP UserControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                               BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  return Guarded("IViewObject.Draw", [&]() -> HRESULT {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc || !bounds) return E_INVALIDARG;
    const RECT rect{bounds->left, bounds->top, bounds->right, bounds->bottom};
    window_.Draw(dc, rect);
    return S_OK;
  });
}

STDMETHODIMP UserControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewAspects_ = aspects;
  viewFlags_ = flags;
  viewSink_ = ComPtr<IAdviseSink>(sink);
  return S_OK;
}

STDMETHODIMP UserControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) *sink = ComPtr<IAdviseSink>(viewSink_).Detach();
  return S_OK;
}

STDMETHODIMP UserControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---- persistence ---------------------------------------------------------------------------

STDMETHODIMP UserControl::GetClassID(CLSID* clsid) { return GetUserClassID(clsid); }

STDMETHODIMP UserControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}

STDMETHODIMP UserControl::InitNew() {
  const auto hold = Hold();
  return Guarded("IPersistStreamInit.InitNew", [&]() -> HRESULT {
    if (initialized_) return CO_E_ALREADYINITIALIZED;
    initialized_ = true;
    if (clientSite_) {
      RunInitProperties();
    } else {
      initPropertiesPending_ = true;
    }
    return S_OK;
  });
}

void UserControl::UseAmbientFont() {
  win32::Win32PageWindow* controls = window_.Controls();
  if (!controls) return;
  ComPtr<IFont> font;
  ComPtr<IDispatch> ambient;
  VARIANT value;
  ::VariantInit(&value);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  if (clientSite_ && SUCCEEDED(clientSite_.As(IID_IDispatch, ambient)) &&
      SUCCEEDED(ambient->Invoke(DISPID_AMBIENT_FONT, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value,
                                nullptr, nullptr)) &&
      (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) && value.punkVal) {
    value.punkVal->QueryInterface(IID_IFont, font.PutVoid());
  }
  ::VariantClear(&value);
  HFONT handle = nullptr;
  if (font && FAILED(font->get_hFont(&handle))) handle = nullptr;
  // The controls let go of the old font before it may go.
  controls->SetFont(handle);
  ambientFont_ = handle ? font : ComPtr<IFont>();
}

void UserControl::RunInitProperties() {
  initPropertiesPending_ = false;
  if (page_) page_->UserControl_InitProperties();
}

// ---- class information and IDispatch -------------------------------------------------------

STDMETHODIMP UserControl::GetClassInfo(ITypeInfo** info) {
  return Guarded("IProvideClassInfo.GetClassInfo",
                 [&]() -> HRESULT { return dispatch_.TypeInfoOf(CLSID_UserControl1, info); });
}

STDMETHODIMP UserControl::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = GUID_NULL;
  // The page raises no events of its own, so it has no source interface.
  return kind == GUIDKIND_DEFAULT_SOURCE_DISP_IID ? S_OK : E_INVALIDARG;
}

// ---- PropertyPage --------------------------------------------------------------------------

STDMETHODIMP UserControl::GetPageInfo(BSTR* helpFile, LONG* helpContext) {
  return Guarded("PropertyPage.GetPageInfo", [&]() -> HRESULT {
    if (!helpFile || !helpContext) return E_POINTER;
    std::string file;
    int32_t context = kHelpContext;
    if (page_) page_->GetPageInfo(file, context);
    const std::wstring wide = Widen(file);
    // In and out: the caller's string is replaced, not leaked.
    if (!::SysReAllocStringLen(helpFile, wide.c_str(), static_cast<UINT>(wide.size()))) return E_OUTOFMEMORY;
    *helpContext = context;
    return S_OK;
  });
}

STDMETHODIMP UserControl::get_Dirty(VARIANT_BOOL* dirty) {
  return Guarded("PropertyPage.Dirty", [&]() -> HRESULT {
    if (!dirty) return E_POINTER;
    *dirty = page_ && page_->Dirty() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  });
}

STDMETHODIMP UserControl::Apply() {
  const auto hold = Hold();
  return Guarded("PropertyPage.Apply", [&]() -> HRESULT {
    if (page_) page_->Apply();
    return S_OK;
  });
}

// ---- page window events --------------------------------------------------------------------

void UserControl::OnPagePaint() {
  if (page_) page_->UserControl_Paint();
}

void UserControl::TreeView1_Expand(const TreeNodePtr& node) {
  const auto hold = Hold();
  if (page_) page_->TreeView1_Expand(node);
}

void UserControl::TreeView1_NodeCheck(const TreeNodePtr& node) {
  const auto hold = Hold();
  if (page_) page_->TreeView1_NodeCheck(node);
}

void UserControl::OnFocusEntered() {
  ActivateUi();
  TellFocus(true);
  if (!page_) return;
  page_->UserControl_EnterFocus();
  page_->UserControl_GotFocus();
}

void UserControl::OnFocusLeft() { TellFocus(false); }

void UserControl::TellFocus(bool gotFocus) {
  ComPtr<IOleControlSite> site;
  if (clientSite_ && SUCCEEDED(clientSite_.As(IID_IOleControlSite, site))) site->OnFocus(gotFocus ? TRUE : FALSE);
}

}  // namespace

HRESULT CreateUserControl(REFIID iid, void** out) {
  auto* control = new UserControl();
  const HRESULT hr = control->QueryInterface(iid, out);
  control->Release();
  return hr;
}

}  // namespace bellnest::com
