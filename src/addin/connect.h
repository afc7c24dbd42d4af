// Bellnest.Connect, the companion add-in: Outlook connects it at start-up through
// IDTExtensibility2; it puts the options page into Outlook's Options dialog (OptionsPagesAdd)
// and offers the page PPClass.Online, whether Outlook works online.
#pragma once

#include "platform/win32/windows_api.h"

namespace bellnest::addin {

inline constexpr const wchar_t* kAddinProgId = L"Bellnest.Connect";

// The class table's create function: a new add-in object, answering iid.
HRESULT CreateConnect(REFIID iid, void** out);

}  // namespace bellnest::addin
