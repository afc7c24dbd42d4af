// A window class of this module, registered for as long as a window of it may exist: the first
// user registers it, the last one unregisters it. Windows does not unregister a DLL's classes
// when the DLL unloads, and a class left behind would point into code that is gone.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace bellnest::win32 {

class WindowClassUse {
 public:
  // windowClass names the class, its module and its window procedure.
  explicit WindowClassUse(const WNDCLASSEXW& windowClass);
  ~WindowClassUse();
  WindowClassUse(const WindowClassUse&) = delete;
  WindowClassUse& operator=(const WindowClassUse&) = delete;

 private:
  std::wstring name_;
  HINSTANCE module_;
};

}  // namespace bellnest::win32
