// The container's end of one hosted control, as a strict OLE container gives it to a page: the
// client site and in-place site over a window of the container, the control site (focus, keys
// the control leaves, coordinates), ambient properties through the site's IDispatch, and
// Outlook's PropertyPageSite from the site itself or, as some hosts do, only from the site's
// container. The in-place frame is the container's: it learns which object is UI-active, and
// only that object sees the container's keys.
// Sites and frames live on their owner's stack or heap; their reference counts are only
// watched, never free them.
#pragma once

#include "com/com_ptr.h"
#include "platform/win32/windows_api.h"

namespace bellnest::standin {

// The container's frame window as an in-place frame (and its own UI window): no menus, no
// toolbars; it remembers the object handed to SetActiveObject.
class InPlaceFrame final : public IOleInPlaceFrame {
 public:
  explicit InPlaceFrame(HWND window) : window_(window) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }

  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override { return widths ? INPLACE_E_NOTOOLSPACE : S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override;
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // The UI-active object, or null.
  IOleInPlaceActiveObject* Active() const { return active_.Get(); }
  // 1 when no one holds a reference to the frame.
  ULONG References() const { return refs_; }

 private:
  HWND window_;
  com::ComPtr<IOleInPlaceActiveObject> active_;
  ULONG refs_ = 1;
};

class ControlSite final : public IOleClientSite, public IOleInPlaceSite, public IOleControlSite, public IDispatch {
 public:
  // window: where the control is activated in place, at area (its client area when empty);
  // pageSite: Outlook's PropertyPageSite, answered by the site itself (siteAnswers) or by its
  // container; frame: the container's in-place frame, if it has one; font: the ambient font.
  ControlSite(HWND window, com::ComPtr<IDispatch> pageSite, bool siteAnswers, InPlaceFrame* frame = nullptr,
              RECT area = {}, HFONT font = nullptr);

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
  STDMETHODIMP OnUIActivate() override;
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override;
  STDMETHODIMP OnInPlaceDeactivate() override;
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleControlSite
  STDMETHODIMP OnControlInfoChanged() override;
  STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
  STDMETHODIMP GetExtendedControl(IDispatch** control) override;
  STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
  STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
  STDMETHODIMP OnFocus(BOOL gotFocus) override;
  STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

  // IDispatch: the ambient properties.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override;

  HWND Window() const { return window_; }
  int InPlaceActivations() const { return inPlaceActivations_; }
  int InPlaceDeactivations() const { return inPlaceDeactivations_; }
  int UIActivations() const { return uiActivations_; }
  int UIDeactivations() const { return uiDeactivations_; }
  int FocusGained() const { return focusGained_; }
  int ControlInfoChanges() const { return controlInfoChanges_; }
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
  InPlaceFrame* frame_;
  RECT area_;
  HFONT font_;
  Container container_{*this};
  ULONG refs_ = 1;
  int inPlaceActivations_ = 0;
  int inPlaceDeactivations_ = 0;
  int uiActivations_ = 0;
  int uiDeactivations_ = 0;
  int focusGained_ = 0;
  int controlInfoChanges_ = 0;
};

}  // namespace bellnest::standin
