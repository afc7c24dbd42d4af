// The recording user interface of the native world.
#include "sim/native_ui.h"

namespace bellnest::sim {

int32_t NativeUi::MsgBox(const std::string& prompt, int32_t style, const std::string& title) {
  messageBoxes_.push_back(MessageBox{prompt, style, title});
  return 1;  // vbOK
}

intptr_t NativeUi::HtmlHelpA(intptr_t caller, const std::string& file, uint32_t command, uintptr_t data) {
  helpCalls_.push_back(HelpCall{caller, file, command, data});
  helpOpen_ = true;
  helpClosingIn_ = -1;
  return kHelpWindow;
}

intptr_t NativeUi::FindWindowA(const std::string& className, const std::string& windowName) {
  return helpOpen_ && className == "HH Parent" && windowName == "Bellnest Help" ? kHelpWindow : 0;
}

intptr_t NativeUi::SendMessageTimeoutA(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam,
                                       uint32_t flags, uint32_t timeoutMs, uintptr_t* result) {
  if (result) *result = 0;
  if (window != kHelpWindow || !helpOpen_) return 0;
  sentMessages_.push_back(SentMessage{message, wParam, lParam, flags, timeoutMs});
  if (message == ui::kWmClose) {
    if (helpCloseDelay_ == 0) {
      helpOpen_ = false;
    } else if (helpCloseDelay_ > 0) {
      helpClosingIn_ = helpCloseDelay_;
    }
  }
  return 1;
}

void NativeUi::DoEvents() {
  ++pumpPasses_;
  ticks_ += kTicksPerPass;
  if (helpClosingIn_ > 0 && --helpClosingIn_ == 0) helpOpen_ = false;
  // Only what was queued before this pass runs in it; events it posts wait for the next one.
  std::deque<std::function<void()>> pending;
  pending.swap(queue_);
  for (auto& event : pending) event();
}

Result<VersionResource> NativeUi::LibraryVersion() {
  if (!version_) return ErrorInfo{err::kFileNotFound, "File not found", "PPBellnest"};
  return *version_;
}

}  // namespace bellnest::sim
