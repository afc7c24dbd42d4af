// Late-bound calls, their errors and their values, as the language run-time does them.
#include "com/dispatch.h"

#include <array>
#include <cstring>
#include <map>

#include "support/per_thread.h"

namespace bellnest::com {

namespace {

constexpr int32_t kOverflow = 6;
constexpr int32_t kOutOfMemory = 7;
constexpr int32_t kInvalidUseOfNull = 94;
constexpr int32_t kArgumentNotOptional = 449;
constexpr int32_t kWrongArgumentCount = 450;

// The run-time's errors for the dispatch failures it translates itself.
ErrorInfo RunTimeError(int32_t number) {
  ErrorInfo error = RuntimeError(number);
  switch (number) {
    case kOverflow:
      error.Description = "Overflow";
      break;
    case kOutOfMemory:
      error.Description = "Out of memory";
      break;
    case kInvalidUseOfNull:
      error.Description = "Invalid use of Null";
      break;
    case kArgumentNotOptional:
      error.Description = "Argument not optional";
      break;
    case kWrongArgumentCount:
      error.Description = "Wrong number of arguments or invalid property assignment";
      break;
    default:
      break;
  }
  return error;
}

// A run-time error raised by an object travels in FACILITY_CONTROL with its number below.
bool IsRunTimeNumber(int32_t number) { return number > 0 && number < 65536; }

int32_t NumberOf(HRESULT hr) {
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL && (hr & 0x80000000) != 0) return HRESULT_CODE(hr);
  return static_cast<int32_t>(hr);
}

std::string SystemText(HRESULT hr) {
  wchar_t* buffer = nullptr;
  const DWORD n =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = n > 0 ? Utf8FromWide(buffer, n) : std::string();
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// An error with a number but no words gets the run-time's words for it.
ErrorInfo Completed(int32_t number, std::string description, std::string source) {
  if (description.empty())
    description = IsRunTimeNumber(number) ? RunTimeError(number).Description : "Automation error";
  if (source.empty()) source = kProjectName;
  return ErrorInfo{number, std::move(description), std::move(source)};
}

// Member names are looked up once per object type and name on each thread.
std::unordered_map<std::string, DISPID>& SharedIds() {
  static PerThread<std::unordered_map<std::string, DISPID>> ids;
  return ids.Get();
}

bool IsFloating(VARTYPE vt) { return vt == VT_R4 || vt == VT_R8 || vt == VT_CY || vt == VT_DATE || vt == VT_DECIMAL; }

// VariantChangeTypeEx with the run-time's failures.
Result<VariantValue> Changed(const VARIANT& value, VARTYPE type) {
  VariantValue out;
  const HRESULT hr =
      ::VariantChangeTypeEx(out.Put(), const_cast<VARIANT*>(&value), LOCALE_USER_DEFAULT, VARIANT_ALPHABOOL, type);
  if (FAILED(hr)) return ErrorFromHresult(hr);
  return out;
}

// The host's object over a COM object: its members read by name.
class DispatchAdapter final : public Dispatch, public ComBacked {
 public:
  explicit DispatchAdapter(ComPtr<IUnknown> object) : object_(std::move(object)) {
    ComPtr<IDispatch> dispatch;
    object_.As(IID_IDispatch, dispatch);
    caller_.emplace(std::move(dispatch), nullptr);
  }
  Result<Variant> GetProperty(std::string_view name) override {
    if (!caller_->Object()) return RunTimeError(err::kObjectDoesNotSupport);
    const std::string member(name);
    Result<VariantValue> value = caller_->Get(member.c_str());
    if (!value) return value.Error();
    return ToHostVariant(value.Value().Get());
  }
  IUnknown* ComObject() const override { return object_.Get(); }

 private:
  ComPtr<IUnknown> object_;
  std::optional<Caller> caller_;
};

}  // namespace

std::wstring WideFromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string Utf8FromWide(const wchar_t* text, size_t length) {
  if (text == nullptr || length == 0) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

// ---- Bstr, VariantValue ----

Bstr::Bstr(std::string_view utf8) {
  const std::wstring wide = WideFromUtf8(utf8);
  s_ = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

Bstr& Bstr::operator=(Bstr&& other) noexcept {
  if (this != &other) {
    Reset();
    s_ = other.Detach();
  }
  return *this;
}

BSTR Bstr::Detach() { return std::exchange(s_, nullptr); }

void Bstr::Reset() {
  if (BSTR s = std::exchange(s_, nullptr)) ::SysFreeString(s);
}

std::string Bstr::Utf8() const { return Utf8FromWide(s_, s_ != nullptr ? ::SysStringLen(s_) : 0); }

VariantValue::VariantValue(const VariantValue& other) {
  ::VariantInit(&v_);
  ::VariantCopy(&v_, const_cast<VARIANT*>(&other.v_));
}

VariantValue& VariantValue::operator=(const VariantValue& other) {
  if (this != &other) ::VariantCopy(&v_, const_cast<VARIANT*>(&other.v_));
  return *this;
}

VariantValue::VariantValue(VariantValue&& other) noexcept {
  v_ = other.v_;
  ::VariantInit(&other.v_);
}

VariantValue& VariantValue::operator=(VariantValue&& other) noexcept {
  if (this != &other) {
    ::VariantClear(&v_);
    v_ = other.v_;
    ::VariantInit(&other.v_);
  }
  return *this;
}

VariantValue VariantValue::Long(int32_t value) {
  VariantValue out;
  V_VT(&out.v_) = VT_I4;
  V_I4(&out.v_) = value;
  return out;
}

VariantValue VariantValue::Text(std::string_view utf8) {
  VariantValue out;
  V_VT(&out.v_) = VT_BSTR;
  V_BSTR(&out.v_) = Bstr(utf8).Detach();
  return out;
}

VariantValue VariantValue::Boolean(bool value) {
  VariantValue out;
  V_VT(&out.v_) = VT_BOOL;
  V_BOOL(&out.v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return out;
}

VariantValue VariantValue::Object(IDispatch* object) {
  VariantValue out;
  V_VT(&out.v_) = VT_DISPATCH;
  V_DISPATCH(&out.v_) = object;
  if (object != nullptr) object->AddRef();
  return out;
}

void VariantValue::DetachTo(VARIANT* out) {
  *out = v_;
  ::VariantInit(&v_);
}

// ---- errors ----

ErrorInfo ErrorFromException(EXCEPINFO& info) {
  if (info.pfnDeferredFillIn != nullptr) info.pfnDeferredFillIn(&info);
  Bstr description, source, help;
  *description.Put() = info.bstrDescription;
  *source.Put() = info.bstrSource;
  *help.Put() = info.bstrHelpFile;
  info.bstrDescription = info.bstrSource = info.bstrHelpFile = nullptr;
  const int32_t number = info.wCode != 0 ? info.wCode : NumberOf(info.scode);
  return Completed(number, description.Utf8(), source.Utf8());
}

ErrorInfo ErrorFromHresult(HRESULT hr, IUnknown* object) {
  switch (hr) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
      return RunTimeError(err::kObjectDoesNotSupport);
    case DISP_E_TYPEMISMATCH:
      return RunTimeError(err::kTypeMismatch);
    case DISP_E_OVERFLOW:
      return RunTimeError(kOverflow);
    case DISP_E_BADINDEX:
      return RunTimeError(err::kSubscriptOutOfRange);
    case DISP_E_BADPARAMCOUNT:
      return RunTimeError(kWrongArgumentCount);
    case DISP_E_PARAMNOTOPTIONAL:
      return RunTimeError(kArgumentNotOptional);
    case E_OUTOFMEMORY:
      return RunTimeError(kOutOfMemory);
    default:
      break;
  }
  const int32_t number = NumberOf(hr);
  // The object's own words, when it left them for this thread.
  if (object != nullptr) {
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.Put()) == S_OK && info) {
      Bstr description, source;
      info->GetDescription(description.Put());
      info->GetSource(source.Put());
      return Completed(number, description.Utf8(), source.Utf8());
    }
  }
  return Completed(number, IsRunTimeNumber(number) ? std::string() : SystemText(hr), std::string());
}

HRESULT HresultOf(const ErrorInfo& error) {
  if (IsRunTimeNumber(error.Number)) return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, error.Number);
  return static_cast<HRESULT>(error.Number);
}

HRESULT SetComError(const ErrorInfo& error) {
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(::CreateErrorInfo(create.Put()))) {
    create->SetDescription(Bstr(error.Description).Get());
    create->SetSource(Bstr(error.Source).Get());
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(IID_IErrorInfo, info))) ::SetErrorInfo(0, info.Get());
  }
  return HresultOf(error);
}

HRESULT RaiseToCaller(const ErrorInfo& error, EXCEPINFO* info) {
  if (info == nullptr) return SetComError(error);
  std::memset(info, 0, sizeof *info);
  info->scode = HresultOf(error);
  info->bstrDescription = Bstr(error.Description).Detach();
  info->bstrSource = Bstr(error.Source).Detach();
  return DISP_E_EXCEPTION;
}

// ---- values ----

Result<Variant> ToHostVariant(const VARIANT& value) {
  if ((V_VT(&value) & VT_BYREF) != 0) {
    VariantValue direct;
    const HRESULT hr = ::VariantCopyInd(direct.Put(), const_cast<VARIANT*>(&value));
    if (FAILED(hr)) return ErrorFromHresult(hr);
    return ToHostVariant(direct.Get());
  }
  switch (V_VT(&value)) {
    case VT_EMPTY:
      return Variant();
    case VT_NULL:
      return RunTimeError(kInvalidUseOfNull);
    case VT_BOOL:
      return Variant(V_BOOL(&value) != VARIANT_FALSE);
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_I8:
    case VT_UI8: {
      // A whole number beyond a Long is kept as its text: CStr still writes it, CLng overflows.
      if (Result<VariantValue> whole = Changed(value, VT_I4))
        return Variant(static_cast<int32_t>(V_I4(&whole.Value().Get())));
      Result<VariantValue> text = Changed(value, VT_BSTR);
      if (!text) return text.Error();
      return ToHostVariant(text.Value().Get());
    }
    case VT_BSTR:
      return Variant(Utf8FromWide(V_BSTR(&value), V_BSTR(&value) != nullptr ? ::SysStringLen(V_BSTR(&value)) : 0));
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_DECIMAL: {
      Result<VariantValue> text = Changed(value, VT_BSTR);
      if (!text) return text.Error();
      return ToHostVariant(text.Value().Get());
    }
    case VT_DISPATCH:
      return Variant(WrapDispatch(V_DISPATCH(&value)));
    case VT_UNKNOWN:
      return Variant(WrapDispatch(V_UNKNOWN(&value)));
    default:
      return RunTimeError(err::kTypeMismatch);
  }
}

Result<VariantValue> FromHostVariant(const Variant& value) {
  VariantValue out;
  if (const bool* b = std::get_if<bool>(&value)) return VariantValue::Boolean(*b);
  if (const int32_t* n = std::get_if<int32_t>(&value)) return VariantValue::Long(*n);
  if (const std::string* s = std::get_if<std::string>(&value)) return VariantValue::Text(*s);
  if (const DispatchPtr* d = std::get_if<DispatchPtr>(&value)) {
    if (!*d) return VariantValue::Object(nullptr);
    IUnknown* object = ComObjectOf(d->get());
    if (object == nullptr) return RunTimeError(err::kTypeMismatch);
    ComPtr<IDispatch> dispatch;
    if (SUCCEEDED(ComPtr<IUnknown>(object).As(IID_IDispatch, dispatch))) return VariantValue::Object(dispatch.Get());
    VARIANT* v = out.Put();
    V_VT(v) = VT_UNKNOWN;
    V_UNKNOWN(v) = object;
    object->AddRef();
    return out;
  }
  return out;  // Empty
}

Result<std::string> VariantText(const VARIANT& value) {
  Result<Variant> host = ToHostVariant(value);
  if (!host) return host.Error();
  return ToText(host.Value());
}

// Floating values convert directly, so rounding and the decimal separator are the run-time's.
Result<int32_t> VariantLong(const VARIANT& value) {
  if (IsFloating(V_VT(&value))) {
    Result<VariantValue> whole = Changed(value, VT_I4);
    if (!whole) return whole.Error();
    return static_cast<int32_t>(V_I4(&whole.Value().Get()));
  }
  Result<Variant> host = ToHostVariant(value);
  if (!host) return host.Error();
  return ToLong(host.Value());
}

Result<bool> VariantBoolean(const VARIANT& value) {
  if (IsFloating(V_VT(&value))) {
    Result<VariantValue> flag = Changed(value, VT_BOOL);
    if (!flag) return flag.Error();
    return V_BOOL(&flag.Value().Get()) != VARIANT_FALSE;
  }
  Result<Variant> host = ToHostVariant(value);
  if (!host) return host.Error();
  return ToBoolean(host.Value());
}

DispatchPtr WrapDispatch(IUnknown* object) {
  if (object == nullptr) return DispatchPtr();
  return std::make_shared<DispatchAdapter>(ComPtr<IUnknown>(object));
}

Result<ComPtr<IDispatch>> ObjectOf(const VARIANT& value) {
  const VARIANT* v = &value;
  if (V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
  if (V_VT(v) == VT_DISPATCH) return ComPtr<IDispatch>(V_DISPATCH(v));
  if (V_VT(v) == VT_UNKNOWN) {
    if (V_UNKNOWN(v) == nullptr) return ComPtr<IDispatch>();
    ComPtr<IDispatch> dispatch;
    if (SUCCEEDED(ComPtr<IUnknown>(V_UNKNOWN(v)).As(IID_IDispatch, dispatch))) return dispatch;
  }
  return RunTimeError(err::kTypeMismatch);
}

// ---- calls ----

Result<DISPID> Caller::IdOf(const char* name) {
  std::unordered_map<std::string, DISPID>& ids = kind_ != nullptr ? SharedIds() : ownIds_;
  std::string key = kind_ != nullptr ? std::string(kind_) + '.' + name : std::string(name);
  if (auto it = ids.find(key); it != ids.end()) return it->second;
  if (!object_) return RunTimeError(err::kObjectNotSet);
  std::wstring wide = WideFromUtf8(name);
  LPOLESTR names[] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return ErrorFromHresult(hr, object_.Get());
  ids.emplace(std::move(key), id);
  return id;
}

Result<VariantValue> Caller::Invoke(DISPID id, WORD flags, std::initializer_list<VariantValue> args) {
  if (!object_) return RunTimeError(err::kObjectNotSet);
  // The arguments go last to first, as IDispatch takes them; they stay owned by args.
  std::array<VARIANT, 8> raw{};
  if (args.size() > raw.size()) return RunTimeError(kWrongArgumentCount);
  size_t i = args.size();
  for (const VariantValue& arg : args) std::memcpy(&raw[--i], &arg.Get(), sizeof(VARIANT));
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{raw.data(), nullptr, static_cast<UINT>(args.size()), 0};
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  VariantValue result;
  EXCEPINFO exception{};
  UINT badArgument = 0;
  const HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                     flags == DISPATCH_PROPERTYPUT ? nullptr : result.Put(), &exception, &badArgument);
  if (hr == DISP_E_EXCEPTION) return ErrorFromException(exception);
  if (FAILED(hr)) return ErrorFromHresult(hr, object_.Get());
  return result;
}

Result<VariantValue> Caller::Get(DISPID id, std::initializer_list<VariantValue> args) {
  return Invoke(id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args);
}

Result<VariantValue> Caller::Get(const char* name, std::initializer_list<VariantValue> args) {
  Result<DISPID> id = IdOf(name);
  if (!id) return id.Error();
  return Get(id.Value(), args);
}

Status Caller::Call(DISPID id, std::initializer_list<VariantValue> args) {
  Result<VariantValue> r = Invoke(id, DISPATCH_METHOD, args);
  if (!r) return r.Error();
  return {};
}

Status Caller::Call(const char* name, std::initializer_list<VariantValue> args) {
  Result<DISPID> id = IdOf(name);
  if (!id) return id.Error();
  return Call(id.Value(), args);
}

Status Caller::Put(const char* name, const VariantValue& value) {
  Result<DISPID> id = IdOf(name);
  if (!id) return id.Error();
  Result<VariantValue> r = Invoke(id.Value(), DISPATCH_PROPERTYPUT, {value});
  if (!r) return r.Error();
  return {};
}

Result<std::string> Caller::GetText(const char* name) {
  Result<VariantValue> value = Get(name);
  if (!value) return value.Error();
  return VariantText(value.Value().Get());
}

Result<bool> Caller::GetBoolean(const char* name) {
  Result<VariantValue> value = Get(name);
  if (!value) return value.Error();
  return VariantBoolean(value.Value().Get());
}

Result<ComPtr<IDispatch>> Caller::GetDispatch(DISPID id, std::initializer_list<VariantValue> args) {
  Result<VariantValue> value = Get(id, args);
  if (!value) return value.Error();
  return ObjectOf(value.Value().Get());
}

Result<ComPtr<IDispatch>> Caller::GetDispatch(const char* name, std::initializer_list<VariantValue> args) {
  Result<DISPID> id = IdOf(name);
  if (!id) return id.Error();
  return GetDispatch(id.Value(), args);
}

}  // namespace bellnest::com
