// The module object and the shared pieces of the COM objects.
#include "com/com_object.h"

#include "support/error_log.h"

namespace bellnest::com {

Module& Module::Instance() {
  static Module module;
  return module;
}

std::wstring Module::Path() const {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(handle_, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void ReportEscapedException(const char* procedure, const char* what) noexcept {
  try {
    LogError(ErrorInfo{static_cast<int32_t>(E_UNEXPECTED), what, kProjectName}, kProjectName, procedure,
             std::string("Error in ") + procedure);
  } catch (...) {
    // Nothing is left to report with; the caller still gets E_UNEXPECTED.
  }
}

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

}  // namespace bellnest::com
