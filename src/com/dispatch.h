// Late-bound calls through IDispatch, the one place that does them: owners of BSTR and
// VARIANT, calls by DISPID or by member name (names resolved once per object type and kept),
// HRESULT and EXCEPINFO turned into the host's ErrorInfo as the run-time reports them, and
// VARIANT values turned into the host's Variant and back.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>

#include "com/com_ptr.h"
#include "host/error_info.h"
#include "host/variant.h"
#include "platform/win32/windows_api.h"

namespace bellnest::com {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(const wchar_t* text, size_t length);

// Owns one BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::string_view utf8);
  ~Bstr() { Reset(); }
  Bstr(Bstr&& other) noexcept : s_(other.Detach()) {}
  Bstr& operator=(Bstr&& other) noexcept;
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR Get() const { return s_; }
  BSTR* Put() {
    Reset();
    return &s_;
  }
  BSTR Detach();
  void Reset();
  std::string Utf8() const;

 private:
  BSTR s_ = nullptr;
};

// Owns one VARIANT (cleared once, copied deeply).
class VariantValue {
 public:
  VariantValue() { ::VariantInit(&v_); }
  ~VariantValue() { ::VariantClear(&v_); }
  VariantValue(const VariantValue& other);
  VariantValue& operator=(const VariantValue& other);
  VariantValue(VariantValue&& other) noexcept;
  VariantValue& operator=(VariantValue&& other) noexcept;

  static VariantValue Long(int32_t value);
  static VariantValue Text(std::string_view utf8);
  static VariantValue Boolean(bool value);
  static VariantValue Object(IDispatch* object);  // a new reference; Nothing when null

  const VARIANT& Get() const { return v_; }
  VARIANT* Put() {
    ::VariantClear(&v_);
    return &v_;
  }
  // Hands the value to a COM out parameter.
  void DetachTo(VARIANT* out);

 private:
  VARIANT v_;
};

// ---- errors ----

// The error of a failed call: EXCEPINFO when the object raised one (DISP_E_EXCEPTION), else
// the IErrorInfo the object left, else the HRESULT itself with the run-time's own number for
// the dispatch failures it knows (an unknown member is 438, a wrong argument type 13, ...).
// A run-time error an object raises (FACILITY_CONTROL) keeps its small number.
ErrorInfo ErrorFromException(EXCEPINFO& info);
ErrorInfo ErrorFromHresult(HRESULT hr, IUnknown* object = nullptr);
// The reverse, for objects we serve: fills EXCEPINFO and gives DISP_E_EXCEPTION (or, without
// an EXCEPINFO, leaves the error as the thread's IErrorInfo and gives its HRESULT).
HRESULT RaiseToCaller(const ErrorInfo& error, EXCEPINFO* info);
// Leaves the error as the thread's IErrorInfo (for calls that have no EXCEPINFO) and gives its HRESULT.
HRESULT SetComError(const ErrorInfo& error);
// The HRESULT an ErrorInfo travels as (run-time numbers in FACILITY_CONTROL).
HRESULT HresultOf(const ErrorInfo& error);

// ---- values ----

// A VARIANT as the host sees it: Empty, Boolean, Long (whole numbers that fit), text (strings,
// and other numbers and dates as CStr writes them), objects. Null is "Invalid use of Null";
// arrays and other kinds are a type mismatch.
Result<Variant> ToHostVariant(const VARIANT& value);
// The host value as a VARIANT: objects of this layer go back as the COM object they stand
// for; an object that is no COM object is a type mismatch.
Result<VariantValue> FromHostVariant(const Variant& value);
// CStr, CLng and CBool of a VARIANT.
Result<std::string> VariantText(const VARIANT& value);
Result<int32_t> VariantLong(const VARIANT& value);
Result<bool> VariantBoolean(const VARIANT& value);

// Every host object of this layer stands for one COM object.
class ComBacked {
 public:
  virtual ~ComBacked() = default;
  virtual IUnknown* ComObject() const = 0;
};

// The COM object behind a host object of this layer, else null.
template <class T>
IUnknown* ComObjectOf(const T* hostObject) {
  const auto* backed = dynamic_cast<const ComBacked*>(hostObject);
  return backed != nullptr ? backed->ComObject() : nullptr;
}

// The host's late-bound object over any COM object (the companion add-in's objects, Outlook's
// MAPIOBJECT); members are read by name.
DispatchPtr WrapDispatch(IUnknown* object);

// Runs one host call of an adapter: a C++ exception (out of memory) becomes the host error
// E_UNEXPECTED instead of leaving the seam.
template <class R, class Body>
R Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return R(ErrorInfo{static_cast<int32_t>(E_UNEXPECTED), "Catastrophic failure", kProjectName});
  }
}

// ---- calls ----

// A member call on one IDispatch. Kind names the object's type for the name cache: every
// object of one kind shares one DISPID per member name.
class Caller {
 public:
  Caller(ComPtr<IDispatch> object, const char* kind) : object_(std::move(object)), kind_(kind) {}

  // DISPATCH_PROPERTYGET | DISPATCH_METHOD (a property read or a call with a result), with the
  // arguments in reading order.
  Result<VariantValue> Get(const char* name, std::initializer_list<VariantValue> args = {});
  Result<VariantValue> Get(DISPID id, std::initializer_list<VariantValue> args = {});
  Status Call(const char* name, std::initializer_list<VariantValue> args = {});
  Status Call(DISPID id, std::initializer_list<VariantValue> args = {});
  Status Put(const char* name, const VariantValue& value);

  Result<DISPID> IdOf(const char* name);
  IDispatch* Object() const { return object_.Get(); }

  // Typed reads of a member result.
  Result<std::string> GetText(const char* name);
  Result<bool> GetBoolean(const char* name);
  // An object result: the IDispatch, or null for Nothing; anything else is a type mismatch.
  Result<ComPtr<IDispatch>> GetDispatch(const char* name, std::initializer_list<VariantValue> args = {});
  Result<ComPtr<IDispatch>> GetDispatch(DISPID id, std::initializer_list<VariantValue> args = {});

 private:
  Result<VariantValue> Invoke(DISPID id, WORD flags, std::initializer_list<VariantValue> args);

  ComPtr<IDispatch> object_;
  const char* kind_;  // null: an object of no known type, whose names are kept per object
  std::unordered_map<std::string, DISPID> ownIds_;
};

// An object result as a COM pointer: VT_DISPATCH (null is Nothing) or VT_UNKNOWN that answers
// IDispatch; anything else is a type mismatch.
Result<ComPtr<IDispatch>> ObjectOf(const VARIANT& value);

}  // namespace bellnest::com
