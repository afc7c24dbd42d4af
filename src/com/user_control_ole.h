// PPBellnest.UserControl1 as the OLE control Outlook hosts in a tab of its Options dialog.
#pragma once

#include "platform/win32/windows_api.h"

namespace bellnest::com {

// Client site before initialisation, activate when visible, in-place, redrawn on resize, no
// links into it.
inline constexpr DWORD kControlMiscStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE |
                                            OLEMISC_INSIDEOUT | OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE;

// The class table's create function: a new control, answering iid.
HRESULT CreateUserControl(REFIID iid, void** out);

}  // namespace bellnest::com
