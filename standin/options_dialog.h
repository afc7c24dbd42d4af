// Outlook's Options dialog, as the stand-in shows it on Tools > Options: a real dialog (the
// dialog manager drives its keyboard: Tab, Enter on the focused or default button, Escape)
// with a tab control (a built-in tab and one tab per page the add-ins added; Ctrl+Tab and
// Ctrl+Shift+Tab switch) and OK, Cancel and Apply below. Each page is an OLE control hosted in
// place in a site window of its tab, as strictly as OLE containers host controls: created by
// ProgID, given its client site and initialised in the order the container's style says,
// activated in place, shown and hidden by the site's window or by verbs, and given keys only
// once it has made itself the UI-active object. The site answers PropertyPageSite
// (OnStatusChange makes the dialog read Dirty to enable Apply); Apply and OK call each page's
// Apply; closing the dialog closes and releases every page.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "com/ppbellnest_h.h"
#include "platform/win32/windows_api.h"
#include "sim/profile/simulated_outlook.h"
#include "standin/addin_host.h"
#include "standin/control_site.h"

namespace bellnest::standin {

// How a container brings a control up and switches between tabs.
struct ContainerStyle {
  enum class Order {
    MiscStatus,    // the client site before InitNew when the control asks for it, else after
    InitNewFirst,  // InitNew, then the client site, whatever the control asks
    LoadStream,    // IPersistStreamInit::Load of an empty stream in place of InitNew
    LoadBag,       // IPersistPropertyBag::Load of an empty bag in place of InitNew
  };
  enum class Switch {
    Window,  // the site's window is shown and hidden
    Verb,    // OLEIVERB_HIDE, then OLEIVERB_SHOW (OLEIVERB_UIACTIVATE from the keyboard)
  };
  Order order = Order::MiscStatus;
  Switch switching = Switch::Window;
};

class OptionsDialog {
 public:
  enum : int { kTabs = 10, kApplyButton = 12 };

  // One page in its tab; Outcome is the first failure of its creation (S_OK when it runs).
  struct Page {
    std::wstring ProgId;
    std::wstring Caption;
    HRESULT Outcome = S_OK;
    com::ComPtr<IOleObject> Control;
    com::ComPtr<PropertyPage> Properties;
    HWND SiteWindow = nullptr;  // the tab's window the page lives in
    HWND Window = nullptr;      // the page's own window, once active in place
    std::unique_ptr<ControlSite> ClientSite;
    std::vector<ACCEL> Mnemonics;  // the control's access keys (IOleControl::GetControlInfo)
    bool Shown = false;            // shown once, by a verb
  };

  // Opens the dialog (shown) with the pages the add-ins added. pageSite is Outlook's
  // PropertyPageSite that every page's client site answers with.
  // create makes a page named by ProgID (CreateObject).
  using Creator = std::function<HRESULT(const std::wstring& progId, com::ComPtr<IUnknown>& object)>;
  OptionsDialog(com::ComPtr<IDispatch> pageSite, const std::vector<OptionsPageRequest>& requests, const Creator& create,
                ContainerStyle style = {});
  ~OptionsDialog();  // Close()
  OptionsDialog(const OptionsDialog&) = delete;
  OptionsDialog& operator=(const OptionsDialog&) = delete;

  // Whether window is an Options dialog of this process.
  static bool IsOptionsDialog(HWND window);

  HWND Window() const { return window_; }
  bool IsOpen() const { return window_ != nullptr; }
  std::vector<Page>& Pages() { return pages_; }
  // The page added under progId, or null.
  Page* Find(const std::wstring& progId);
  // Brings a page's tab to the front, as a click on its tab does.
  void SelectPage(const Page& page);
  // The object the last UI activation handed the frame, or null.
  IOleInPlaceActiveObject* ActiveObject() const { return frame_ ? frame_->Active() : nullptr; }

  // Apply and OK: every page's PropertyPage.Apply; the Apply button is disabled after.
  void ApplyPages();
  // Deactivates, closes and releases every page, then destroys the window (Cancel, OK, the
  // window's close box).
  void Close();
  // A message for the dialog or a page: true when the active object, the tab switching or the
  // dialog manager used it.
  bool TranslateKey(MSG& message);
  // Runs the dialog for a person until it is closed.
  void RunModal();

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreatePage(Page& page, const OptionsPageRequest& request, const RECT& area, const Creator& create);
  HRESULT Initialise(Page& page);
  // Shows tab (0: the built-in one) and hides the others; fromKeyboard: Ctrl+Tab.
  void ShowTab(int tab, bool fromKeyboard);
  void ReadMnemonics(Page& page);
  bool Mnemonic(MSG& message);
  void OnStatusChange();
  RECT PageArea() const;
  int CurrentTab() const;

  ContainerStyle style_;
  HWND window_ = nullptr;
  HWND tabs_ = nullptr;
  HWND builtIn_ = nullptr;
  HFONT font_ = nullptr;
  std::unique_ptr<InPlaceFrame> frame_;
  com::ComPtr<IDispatch> pageSite_;
  std::vector<Page> pages_;
};

}  // namespace bellnest::standin
