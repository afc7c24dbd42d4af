// The page's own controls besides the tree, as seams: the two option check boxes and the
// control's container, whose Parent is Outlook's page site.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/error_info.h"
#include "host/outlook.h"

namespace bellnest {

// A check box: Value 1 is checked, 0 unchecked. Changing the value, by the user or by code,
// raises the click handler.
class CheckBox {
 public:
  virtual ~CheckBox() = default;
  virtual Result<int16_t> Value() = 0;
  virtual Status PutValue(int16_t value) = 0;
  virtual void SetClickHandler(std::function<void()> handler) = 0;
};

// The container the control sits in; its Parent is the page site.
class PageContainer {
 public:
  virtual ~PageContainer() = default;
  virtual Result<PropertyPageSitePtr> Parent() = 0;
};

}  // namespace bellnest
