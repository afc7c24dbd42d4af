// The container's end of one hosted control, as Outlook's Options dialog gives it to a page:
// the client site and in-place site over a window of the container, answering Outlook's
// PropertyPageSite from the site itself or, as some hosts do, only from the site's container.
// It lives on its owner's stack or heap; its reference count is only watched, never frees it.
#pragma once

#include "com/com_ptr.h"
#include "platform/win32/windows_api.h"

namespace bellnest::standin {

class ControlSite final : public IOleClientSite, public IOleInPlaceSite {
 public:
  // window: where the control is activated in place; pageSite: Outlook's PropertyPageSite.
  ControlSite(HWND window, com::ComPtr<IDispatch> pageSite, bool siteAnswers);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
  STDMETHODIMP GetContainer(IOleContainer** container) override;
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceSite
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override;
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override;
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  int InPlaceActivations() const { return inPlaceActivations_; }
  int InPlaceDeactivations() const { return inPlaceDeactivations_; }
  // 1 when the control holds no reference to the site.
  ULONG References() const { return refs_; }

 private:
  // The client site's container, answering the page site when the site itself does not.
  class Container final : public IOleContainer {
   public:
    explicit Container(ControlSite& site) : site_(site) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP EnumObjects(DWORD, IEnumUnknown**) override { return E_NOTIMPL; }
    STDMETHODIMP LockContainer(BOOL) override { return S_OK; }

   private:
    ControlSite& site_;
  };

  HWND window_;
  com::ComPtr<IDispatch> pageSite_;
  bool siteAnswers_;
  Container container_{*this};
  ULONG refs_ = 1;
  int inPlaceActivations_ = 0;
  int inPlaceDeactivations_ = 0;
};

}  // namespace bellnest::standin
