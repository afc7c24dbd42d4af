// The About dialog as a modal dialog: the product icon, the bold title, the version, the
// description, the bold company block, the etched separator and the warning, laid out from its
// design in twips through the screen's DPI; OK is both the default and the cancel button.
#pragma once

#include "platform/win32/windows_api.h"
#include "support/ui_api.h"

namespace bellnest::win32 {

inline constexpr const wchar_t* kAboutBoxClass = L"#32770";

// Shows the dialog owned by owner (may be null) and centred on centreOn (the screen when null);
// returns when Enter, Esc or OK closes it.
void RunAboutBox(HWND owner, HWND centreOn, const AboutBoxTexts& texts);

}  // namespace bellnest::win32
