// The container's site of one hosted control, and its in-place frame.
#include "standin/control_site.h"

#include <utility>

#include "com/host_adapters.h"

namespace bellnest::standin {

namespace {

// OLE_COLOR of a system colour: the high bit and the COLOR_ index.
constexpr LONG SystemColor(int index) { return static_cast<LONG>(0x80000000u | static_cast<unsigned>(index)); }

// The font as OLE Automation hands it to a control: IFontDisp from the GDI font's description.
HRESULT FontDispatch(HFONT font, VARIANT* result) {
  LOGFONTW description{};
  if (!font || !::GetObjectW(font, sizeof description, &description)) return DISP_E_MEMBERNOTFOUND;
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  const LONG height = description.lfHeight < 0 ? -description.lfHeight : description.lfHeight;
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.lpstrName = description.lfFaceName;
  // Points, in the currency type's units of 1/10000.
  desc.cySize.int64 = static_cast<LONGLONG>(::MulDiv(height, 72 * 10000, dpi > 0 ? dpi : 96));
  desc.sWeight = static_cast<SHORT>(description.lfWeight);
  desc.sCharset = description.lfCharSet;
  desc.fItalic = description.lfItalic;
  desc.fUnderline = description.lfUnderline;
  desc.fStrikethrough = description.lfStrikeOut;
  IDispatch* dispatch = nullptr;
  const HRESULT hr = ::OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&dispatch));
  if (FAILED(hr)) return hr;
  result->vt = VT_DISPATCH;
  result->pdispVal = dispatch;
  return S_OK;
}

}  // namespace

// ---- the frame ---------------------------------------------------------------------------------

STDMETHODIMP InPlaceFrame::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IOleWindow) && !IsEqualIID(iid, IID_IOleInPlaceUIWindow) &&
      !IsEqualIID(iid, IID_IOleInPlaceFrame)) {
    return E_NOINTERFACE;
  }
  *out = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP InPlaceFrame::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_;
  return S_OK;
}

STDMETHODIMP InPlaceFrame::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
  active_ = com::ComPtr<IOleInPlaceActiveObject>(object);
  return S_OK;
}

// ---- the site ----------------------------------------------------------------------------------

ControlSite::ControlSite(HWND window, com::ComPtr<IDispatch> pageSite, bool siteAnswers, InPlaceFrame* frame, RECT area,
                         HFONT font)
    : window_(window),
      pageSite_(std::move(pageSite)),
      siteAnswers_(siteAnswers),
      frame_(frame),
      area_(area),
      font_(font) {}

STDMETHODIMP ControlSite::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
    *out = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
    *out = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(iid, IID_IOleControlSite)) {
    *out = static_cast<IOleControlSite*>(this);
  } else if (IsEqualIID(iid, IID_IDispatch)) {
    *out = static_cast<IDispatch*>(this);
  } else if (IsEqualIID(iid, com::kIidPropertyPageSite) && siteAnswers_) {
    return pageSite_->QueryInterface(iid, out);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP ControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (!moniker) return E_POINTER;
  *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ControlSite::GetContainer(IOleContainer** container) {
  if (!container) return E_POINTER;
  *container = com::ComPtr<IOleContainer>(&container_).Detach();
  return S_OK;
}

STDMETHODIMP ControlSite::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_;
  return S_OK;
}

STDMETHODIMP ControlSite::OnInPlaceActivate() {
  ++inPlaceActivations_;
  return S_OK;
}

STDMETHODIMP ControlSite::OnUIActivate() {
  ++uiActivations_;
  return S_OK;
}

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !document || !position || !clip || !info) return E_POINTER;
  // One window is both the frame and the document here, as in a dialog.
  *frame = com::ComPtr<IOleInPlaceFrame>(frame_).Detach();
  *document = com::ComPtr<IOleInPlaceUIWindow>(static_cast<IOleInPlaceUIWindow*>(frame_)).Detach();
  if (::IsRectEmpty(&area_)) {
    ::GetClientRect(window_, position);
  } else {
    *position = area_;
  }
  *clip = *position;
  info->fMDIApp = FALSE;
  HWND frameWindow = nullptr;
  info->hwndFrame = frame_ && SUCCEEDED(frame_->GetWindow(&frameWindow)) ? frameWindow : window_;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP ControlSite::OnUIDeactivate(BOOL) {
  ++uiDeactivations_;
  return S_OK;
}

STDMETHODIMP ControlSite::OnInPlaceDeactivate() {
  ++inPlaceDeactivations_;
  return S_OK;
}

STDMETHODIMP ControlSite::OnControlInfoChanged() {
  ++controlInfoChanges_;
  return S_OK;
}

STDMETHODIMP ControlSite::GetExtendedControl(IDispatch** control) {
  if (!control) return E_POINTER;
  *control = nullptr;
  return E_NOTIMPL;
}

// HIMETRIC (0.01 mm) to the container's pixels and back, through the screen's DPI.
STDMETHODIMP ControlSite::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) {
  if (!himetric || !container) return E_POINTER;
  HDC screen = ::GetDC(nullptr);
  const float dpiX = static_cast<float>(::GetDeviceCaps(screen, LOGPIXELSX));
  const float dpiY = static_cast<float>(::GetDeviceCaps(screen, LOGPIXELSY));
  ::ReleaseDC(nullptr, screen);
  if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
    container->x = static_cast<float>(himetric->x) * dpiX / 2540.0f;
    container->y = static_cast<float>(himetric->y) * dpiY / 2540.0f;
  } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
    himetric->x = static_cast<LONG>(container->x * 2540.0f / dpiX + 0.5f);
    himetric->y = static_cast<LONG>(container->y * 2540.0f / dpiY + 0.5f);
  } else {
    return E_INVALIDARG;
  }
  return S_OK;
}

STDMETHODIMP ControlSite::OnFocus(BOOL gotFocus) {
  if (gotFocus) ++focusGained_;
  return S_OK;
}

STDMETHODIMP ControlSite::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP ControlSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
  if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  if (!result) return E_POINTER;
  ::VariantInit(result);
  auto boolean = [result](bool value) {
    result->vt = VT_BOOL;
    result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  };
  auto number = [result](LONG value) {
    result->vt = VT_I4;
    result->lVal = value;
    return S_OK;
  };
  switch (id) {
    case DISPID_AMBIENT_USERMODE:
      return boolean(true);
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_MESSAGEREFLECT:
    case DISPID_AMBIENT_DISPLAYASDEFAULT:
      return boolean(false);
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
      return boolean(true);
    case DISPID_AMBIENT_BACKCOLOR:
      return number(SystemColor(COLOR_BTNFACE));
    case DISPID_AMBIENT_FORECOLOR:
      return number(SystemColor(COLOR_BTNTEXT));
    case DISPID_AMBIENT_LOCALEID:
      return number(static_cast<LONG>(::GetUserDefaultLCID()));
    case DISPID_AMBIENT_FONT:
      return FontDispatch(font_, result);
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

STDMETHODIMP ControlSite::Container::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, com::kIidPropertyPageSite) && !site_.siteAnswers_)
    return site_.pageSite_->QueryInterface(iid, out);
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IOleContainer)) return E_NOINTERFACE;
  *out = static_cast<IOleContainer*>(this);
  return S_OK;
}

}  // namespace bellnest::standin
