// frmPPAbout: the modal About dialog of the page's "A&bout" button. Its texts are set when it
// loads; the version and description come from the library's version resource.
#pragma once

#include "support/ui_api.h"

namespace bellnest {

inline constexpr const char* kAboutModule = "frmPPAbout";
inline constexpr const char* kSupportAddress = "support@quillfen.com";

class frmPPAbout {
 public:
  frmPPAbout();
  // Fills the texts; a failing step leaves its label with its design-time text.
  void Form_Load();
  // Loads the dialog and shows it modally until OK (Enter or Esc) closes it.
  void Show();

  const AboutBoxTexts& Texts() const { return texts_; }

 private:
  AboutBoxTexts texts_;
};

// The one dialog instance of this thread, created on first use.
frmPPAbout& AboutDialog();

}  // namespace bellnest
