// Outlook's Options dialog, as the stand-in shows it on Tools > Options: a tab control with a
// built-in tab and one tab per page the add-ins added, and OK, Cancel and Apply below. Each page
// is an OLE control hosted in place in its tab: created by ProgID, given its client site first
// (the site answers PropertyPageSite; OnStatusChange makes the dialog read Dirty to enable
// Apply), initialised with InitNew, activated in place; keys reach it through
// TranslateAccelerator; Apply and OK call each page's Apply; closing the dialog closes and
// releases every page.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "com/ppbellnest_h.h"
#include "platform/win32/windows_api.h"
#include "sim/profile/simulated_outlook.h"
#include "standin/addin_host.h"

namespace bellnest::standin {

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
    HWND Window = nullptr;  // the page's own window, once active in place
    class Site;
    std::unique_ptr<Site> ClientSite;
  };

  // Opens the dialog (shown) with the pages the add-ins added. pageSite is Outlook's
  // PropertyPageSite that every page's client site answers with.
  OptionsDialog(com::ComPtr<IDispatch> pageSite, const std::vector<OptionsPageRequest>& requests);
  ~OptionsDialog();  // Close()
  OptionsDialog(const OptionsDialog&) = delete;
  OptionsDialog& operator=(const OptionsDialog&) = delete;

  HWND Window() const { return window_; }
  bool IsOpen() const { return window_ != nullptr; }
  std::vector<Page>& Pages() { return pages_; }
  // The page added under progId, or null.
  Page* Find(const std::wstring& progId);
  // Brings a page's tab to the front.
  void SelectPage(const Page& page);

  // Apply and OK: every page's PropertyPage.Apply; the Apply button is disabled after.
  void ApplyPages();
  // Deactivates, closes and releases every page, then destroys the window (Cancel, OK, the
  // window's close box).
  void Close();
  // A message for the dialog or a page: true when the active page or the dialog used it.
  bool TranslateKey(MSG& message);
  // Runs the dialog for a person until it is closed.
  void RunModal();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreatePage(Page& page, const OptionsPageRequest& request, const RECT& area);
  void OnStatusChange();
  RECT PageArea() const;
  int CurrentTab() const;

  HWND window_ = nullptr;
  HWND tabs_ = nullptr;
  HWND builtIn_ = nullptr;
  HFONT font_ = nullptr;
  com::ComPtr<IDispatch> pageSite_;
  std::vector<Page> pages_;
};

}  // namespace bellnest::standin
