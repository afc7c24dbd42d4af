// The container's site of one hosted control.
#include "standin/control_site.h"

#include <utility>

#include "com/host_adapters.h"

namespace bellnest::standin {

ControlSite::ControlSite(HWND window, com::ComPtr<IDispatch> pageSite, bool siteAnswers)
    : window_(window), pageSite_(std::move(pageSite)), siteAnswers_(siteAnswers) {}

STDMETHODIMP ControlSite::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
    *out = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
    *out = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(iid, com::kIidPropertyPageSite) && siteAnswers_) {
    return pageSite_->QueryInterface(iid, out);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP ControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ControlSite::GetContainer(IOleContainer** container) {
  *container = com::ComPtr<IOleContainer>(&container_).Detach();
  return S_OK;
}

STDMETHODIMP ControlSite::GetWindow(HWND* window) {
  *window = window_;
  return S_OK;
}

STDMETHODIMP ControlSite::OnInPlaceActivate() {
  ++inPlaceActivations_;
  return S_OK;
}

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  *frame = nullptr;
  *document = nullptr;
  ::GetClientRect(window_, position);
  *clip = *position;
  info->fMDIApp = FALSE;
  info->hwndFrame = window_;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP ControlSite::OnInPlaceDeactivate() {
  ++inPlaceDeactivations_;
  return S_OK;
}

STDMETHODIMP ControlSite::Container::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, com::kIidPropertyPageSite) && !site_.siteAnswers_) return site_.pageSite_->QueryInterface(iid, out);
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IOleContainer)) return E_NOINTERFACE;
  *out = static_cast<IOleContainer*>(this);
  return S_OK;
}

}  // namespace bellnest::standin
