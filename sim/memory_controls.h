// The native world's option check boxes and page container.
#pragma once

#include <functional>

#include "page/page_controls.h"

namespace bellnest::sim {

class MemoryCheckBox final : public CheckBox {
 public:
  Result<int16_t> Value() override { return value_; }
  // Changing the value raises the click handler; setting the same value does not.
  Status PutValue(int16_t value) override;
  void SetClickHandler(std::function<void()> handler) override { click_ = std::move(handler); }
  // The user clicks the box: it toggles and raises the click handler.
  void UserClick() { (void)PutValue(value_ == 1 ? 0 : 1); }

 private:
  int16_t value_ = 0;
  std::function<void()> click_;
};

// The container whose Parent is the page site Outlook gives the page.
class MemoryPageContainer final : public PageContainer {
 public:
  explicit MemoryPageContainer(PropertyPageSitePtr site) : site_(std::move(site)) {}
  Result<PropertyPageSitePtr> Parent() override { return site_; }
  // The container lets go of the page site, as Outlook does before the control's last release.
  void Detach() { site_.reset(); }

 private:
  PropertyPageSitePtr site_;
};

}  // namespace bellnest::sim
