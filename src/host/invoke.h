// Calling a member on an object variable that may be unset: an unset object fails with the
// run-time's error 91, as a call on Nothing does.
#pragma once

#include <memory>
#include <utility>

#include "host/error_info.h"

namespace bellnest {

template <class Obj, class Iface, class R, class... Params, class... Args>
R Call(const std::shared_ptr<Obj>& object, R (Iface::*member)(Params...), Args&&... args) {
  if (!object) return RuntimeError(err::kObjectNotSet);
  return ((*object).*member)(std::forward<Args>(args)...);
}

}  // namespace bellnest
