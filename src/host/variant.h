// The late-bound value that registry reads, MAPI property reads and by-name member reads
// return, with the run-time's conversions (CStr, CLng, CBool) as the system relies on them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "host/error_info.h"

namespace bellnest {

class Dispatch;
using DispatchPtr = std::shared_ptr<Dispatch>;

struct Empty {
  friend bool operator==(Empty, Empty) { return true; }
};

using Variant = std::variant<Empty, bool, int32_t, std::string, DispatchPtr>;

// An object reached only by member name (the companion add-in's objects, Outlook's
// MAPIOBJECT), as IDispatch offers it.
class Dispatch {
 public:
  virtual ~Dispatch() = default;
  virtual Result<Variant> GetProperty(std::string_view name) = 0;
};

inline bool IsEmpty(const Variant& v) { return std::holds_alternative<Empty>(v); }

// CStr: Empty gives "", Booleans "True"/"False", numbers in decimal; an object is a type mismatch.
Result<std::string> ToText(const Variant& v);
// CLng: Empty gives 0, True -1, numeric text is parsed; anything else is a type mismatch.
Result<int32_t> ToLong(const Variant& v);
// CBool: Empty gives False, numbers are true when not 0, "True"/"False" and numeric text parse.
Result<bool> ToBoolean(const Variant& v);

}  // namespace bellnest
