// A module's version resource: its number (major.minor.0.revision) and its file description.
#pragma once

#include "platform/win32/windows_api.h"
#include "support/ui_api.h"

namespace bellnest::win32 {

Result<VersionResource> ModuleVersion(HMODULE module);

}  // namespace bellnest::win32
