// The native world's user interface: message boxes, the About box and help calls are recorded
// instead of shown; the help window is simulated (opened by HtmlHelpA, closed some pump passes
// after WM_CLOSE, or never); DoEvents runs the page events queued for the message pump; the
// tick count advances with every pump pass so bounded waits end.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/ui_api.h"

namespace bellnest::sim {

inline constexpr const char* kDefaultFileDescription =
    "Microsoft\xC2\xAE Outlook\xC2\xAE COM add-in to extend reminders to non-default folders.";

class NativeUi final : public UiApi {
 public:
  struct MessageBox {
    std::string Prompt;
    int32_t Style = 0;
    std::string Title;
  };
  struct SentMessage {
    uint32_t Message = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
    uint32_t Flags = 0;
    uint32_t TimeoutMs = 0;
    bool operator==(const SentMessage&) const = default;
  };
  struct HelpCall {
    intptr_t Owner = 0;
    std::string File;
    uint32_t Command = 0;
    uintptr_t Data = 0;
  };

  int32_t MsgBox(const std::string& prompt, int32_t style, const std::string& title) override;
  intptr_t HtmlHelpA(intptr_t caller, const std::string& file, uint32_t command, uintptr_t data) override;
  intptr_t FindWindowA(const std::string& className, const std::string& windowName) override;
  intptr_t SendMessageTimeoutA(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam, uint32_t flags,
                               uint32_t timeoutMs, uintptr_t* result) override;
  void DoEvents() override;
  uint32_t GetTickCount() override { return ticks_; }
  Result<VersionResource> LibraryVersion() override;
  void ShowAboutBox(const AboutBoxTexts& texts) override { aboutBoxes_.push_back(texts); }

  // Set-up.
  void SetVersion(std::optional<VersionResource> version) { version_ = std::move(version); }
  // Pump passes the help window takes to close after WM_CLOSE; -1: it never closes.
  void SetHelpCloseDelay(int passes) { helpCloseDelay_ = passes; }
  void OpenHelpWindow() { helpOpen_ = true; }
  // Queues an event for the next pump pass (a paint, a click...).
  void Post(std::function<void()> event) { queue_.push_back(std::move(event)); }

  // What was shown.
  const std::vector<MessageBox>& MessageBoxes() const { return messageBoxes_; }
  const std::vector<HelpCall>& HelpCalls() const { return helpCalls_; }
  const std::vector<AboutBoxTexts>& AboutBoxes() const { return aboutBoxes_; }
  int PumpPasses() const { return pumpPasses_; }
  // What was sent to the help window while it was open.
  const std::vector<SentMessage>& SentMessages() const { return sentMessages_; }
  bool HelpWindowOpen() const { return helpOpen_; }

 private:
  static constexpr intptr_t kHelpWindow = 0x1050;
  static constexpr uint32_t kTicksPerPass = 10;

  std::optional<VersionResource> version_ = VersionResource{1, 0, 0, kDefaultFileDescription};
  std::vector<MessageBox> messageBoxes_;
  std::vector<HelpCall> helpCalls_;
  std::vector<AboutBoxTexts> aboutBoxes_;
  std::deque<std::function<void()>> queue_;
  bool helpOpen_ = false;
  int helpCloseDelay_ = 1;
  int helpClosingIn_ = -1;
  int pumpPasses_ = 0;
  std::vector<SentMessage> sentMessages_;
  uint32_t ticks_ = 0;
};

}  // namespace bellnest::sim
