// The user-interface services the page calls outside its own controls: message boxes, HTML
// Help, finding and closing the help window, one pass of the message pump, and the library's
// version resource.
#pragma once

#include <cstdint>
#include <string>

#include "host/error_info.h"

namespace bellnest {

namespace ui {
inline constexpr int32_t kMsgOkOnly = 0;
inline constexpr int32_t kMsgCritical = 16;
inline constexpr int32_t kMsgInformation = 64;
inline constexpr uint32_t kHhHelpContext = 0x000F;
inline constexpr uint32_t kWmClose = 0x0010;
inline constexpr uint32_t kSmtoBlock = 0x0001;
}  // namespace ui

// What the About dialog shows, filled by its Load event.
struct AboutBoxTexts {
  std::string Caption;
  std::string Title;
  std::string Version;
  std::string Description;
  std::string Company;
  std::string Disclaimer;
};

struct VersionResource {
  int32_t Major = 0;
  int32_t Minor = 0;
  int32_t Revision = 0;
  std::string FileDescription;
};

class UiApi {
 public:
  virtual ~UiApi() = default;
  // MsgBox: prompt, buttons-and-icon style, title; returns the button pressed.
  virtual int32_t MsgBox(const std::string& prompt, int32_t style, const std::string& title) = 0;
  virtual intptr_t HtmlHelpA(intptr_t caller, const std::string& file, uint32_t command, uintptr_t data) = 0;
  virtual intptr_t FindWindowA(const std::string& className, const std::string& windowName) = 0;
  virtual intptr_t SendMessageTimeoutA(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam,
                                       uint32_t flags, uint32_t timeoutMs, uintptr_t* result) = 0;
  // DoEvents: runs the window messages pending now.
  virtual void DoEvents() = 0;
  // Milliseconds since start-up, for bounding waits.
  virtual uint32_t GetTickCount() = 0;
  // Shows the About dialog modally; returns when its OK button (Enter or Esc) closes it.
  virtual void ShowAboutBox(const AboutBoxTexts& texts) = 0;
  virtual Result<VersionResource> LibraryVersion() = 0;
};

}  // namespace bellnest
