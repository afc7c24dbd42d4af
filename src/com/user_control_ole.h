// PPBellnest.UserControl1 as the OLE control Outlook hosts in a tab of its Options dialog.
#pragma once

#include "platform/win32/windows_api.h"

namespace bellnest::com {

// The class table's create function: a new control, answering iid.
HRESULT CreateUserControl(REFIID iid, void** out);

}  // namespace bellnest::com
