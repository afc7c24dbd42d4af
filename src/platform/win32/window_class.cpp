// The users of each window class, counted across the threads that show pages.
#include "platform/win32/window_class.h"

#include <map>
#include <mutex>
#include <utility>

namespace bellnest::win32 {

namespace {

std::mutex usersLock;
std::map<std::pair<std::wstring, HINSTANCE>, int> users;

}  // namespace

WindowClassUse::WindowClassUse(const WNDCLASSEXW& windowClass)
    : name_(windowClass.lpszClassName), module_(windowClass.hInstance) {
  const std::lock_guard<std::mutex> lock(usersLock);
  if (users[{name_, module_}]++ == 0) ::RegisterClassExW(&windowClass);
}

WindowClassUse::~WindowClassUse() {
  const std::lock_guard<std::mutex> lock(usersLock);
  if (--users[{name_, module_}] == 0) ::UnregisterClassW(name_.c_str(), module_);
}

}  // namespace bellnest::win32
