// frmPPAbout.
#include "page/about_dialog.h"

#include <memory>

#include "support/error_trap.h"
#include "support/platform.h"
#include "support/shared_state.h"

namespace bellnest {

namespace {

// The design-time texts, shown where loading fails.
AboutBoxTexts DesignTexts() {
  AboutBoxTexts texts;
  texts.Caption = "About";
  texts.Title = "Application Title";
  texts.Version = "Version";
  texts.Description = "App Description";
  texts.Company = "Quillfen Systems, Inc.";
  texts.Disclaimer =
      "Warning: This computer program is protected by copyright law and international treaties. Unauthorized "
      "reproduction or distribution of this program, or any portion of it, may result in severe civil and criminal "
      "penalties, and will be prosecuted to the maximum extent possible under the law.";
  return texts;
}

}  // namespace

frmPPAbout::frmPPAbout() : texts_(DesignTexts()) {}

void frmPPAbout::Form_Load() {
  ErrorTrap trap(kAboutModule, "Form_Load");
  // Each load starts from the design-time texts, as a freshly loaded form does, so a step that
  // fails now never shows what an earlier opening found.
  texts_ = DesignTexts();
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
