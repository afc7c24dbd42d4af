// frmPPAbout.
#include "page/about_dialog.h"

#include <memory>

#include "support/error_trap.h"
#include "support/platform.h"
#include "support/shared_state.h"

namespace bellnest {

frmPPAbout::frmPPAbout() {
  // Design-time texts, shown where loading fails.
  texts_.Caption = "About";
  texts_.Title = "Application Title";
  texts_.Version = "Version";
  texts_.Description = "App Description";
  texts_.Company = "Quillfen Systems, Inc.";
  texts_.Disclaimer =
      "Warning: This computer program is protected by copyright law and international treaties. Unauthorized "
      "reproduction or distribution of this program, or any portion of it, may result in severe civil and criminal "
      "penalties, and will be prosecuted to the maximum extent possible under the law.";
}

void frmPPAbout::Form_Load() {
  ErrorTrap trap(kAboutModule, "Form_Load");
  texts_.Caption = "About Bellnest";
  VersionResource version;
  if (trap.Take(Ui().LibraryVersion(), version)) {
    texts_.Version = "Version " + std::to_string(version.Major) + "." + std::to_string(version.Minor) + "." +
                     std::to_string(version.Revision);
  }
  texts_.Title = "Bellnest";
  if (trap.Take(Ui().LibraryVersion(), version)) texts_.Description = version.FileDescription;
  texts_.Company = std::string("Quillfen Systems, Inc.\r\n") + kSupportAddress;
  trap.ReportIfPending("Error!");
}

void frmPPAbout::Show() {
  Form_Load();
  Ui().ShowAboutBox(texts_);
}

frmPPAbout& AboutDialog() {
  std::shared_ptr<frmPPAbout>& dialog = State().AboutDialog;
  if (!dialog) dialog = std::make_shared<frmPPAbout>();
  return *dialog;
}

}  // namespace bellnest
