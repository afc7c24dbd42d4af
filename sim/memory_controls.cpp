// The native world's check box.
#include "sim/memory_controls.h"

namespace bellnest::sim {

Status MemoryCheckBox::PutValue(int16_t value) {
  if (value != 0 && value != 1 && value != 2) return RuntimeError(380);  // Invalid property value
  if (value == value_) return {};
  value_ = value;
  if (click_) click_();
  return {};
}

}  // namespace bellnest::sim
