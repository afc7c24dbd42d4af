// The table-driven IDispatch of the stand-in's objects, and the conversions between VARIANTs
// and the simulated host's values.
#include "standin/dispatch_object.h"
#include "standin/standin.h"

#include <algorithm>
#include <mutex>

#include "sim/profile/host_calls.h"
#include "support/error_log.h"

namespace bellnest::standin {

namespace {

// {5B0C1E7A-3F2D-4E8B-9A61-7C4D2E9F0B13}: asks a COM object whether it is served here.
constexpr IID kIidServed = {0x5B0C1E7A, 0x3F2D, 0x4E8B, {0x9A, 0x61, 0x7C, 0x4D, 0x2E, 0x9F, 0x0B, 0x13}};

// Names outside the tables get one DISPID per name for the whole process, so that a caller's
// per-type cache stays right for every object.
constexpr DISPID kFirstDynamicId = 0x10000;

struct DynamicNames {
  std::mutex Lock;
  std::vector<std::string> Names;
};

DynamicNames& Dynamic() {
  static DynamicNames names;
  return names;
}

DISPID DynamicId(const std::string& name) {
  DynamicNames& d = Dynamic();
  std::lock_guard<std::mutex> guard(d.Lock);
  for (size_t i = 0; i < d.Names.size(); ++i)
    if (sim::EqualsIgnoringCase(d.Names[i], name)) return kFirstDynamicId + static_cast<DISPID>(i);
  d.Names.push_back(name);
  return kFirstDynamicId + static_cast<DISPID>(d.Names.size() - 1);
}

// The name behind a DISPID handed out above; empty for one never handed out.
std::string DynamicName(DISPID id) {
  DynamicNames& d = Dynamic();
  std::lock_guard<std::mutex> guard(d.Lock);
  const auto index = static_cast<size_t>(id - kFirstDynamicId);
  return index < d.Names.size() ? d.Names[index] : std::string();
}

bool IsMissing(const VARIANT& v) { return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND; }

}  // namespace

std::vector<std::string>& NameLookups() {
  thread_local std::vector<std::string> names;
  return names;
}

// ---- arguments ----

const VARIANT* Args::At(size_t i) const {
  if (i >= Count()) return nullptr;
  const VARIANT* v = &params_->rgvarg[params_->cArgs - 1 - i];
  if (V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
  return IsMissing(*v) ? nullptr : v;
}

Result<std::string> Args::Text(size_t i) const {
  const VARIANT* v = At(i);
  if (v == nullptr) return std::string();
  return com::VariantText(*v);
}

Result<int32_t> Args::Long(size_t i) const {
  const VARIANT* v = At(i);
  if (v == nullptr) return 0;
  return com::VariantLong(*v);
}

Result<bool> Args::Boolean(size_t i) const {
  const VARIANT* v = At(i);
  if (v == nullptr) return false;
  return com::VariantBoolean(*v);
}

Result<Variant> Args::Value(size_t i) const {
  const VARIANT* v = At(i);
  if (v == nullptr) return Variant();
  if (V_VT(v) == VT_DISPATCH || V_VT(v) == VT_UNKNOWN) {
    if (V_UNKNOWN(v) == nullptr) return Variant(DispatchPtr());
    DispObject* served = Served(*v);
    // A foreign object is no simulated object: the simulation sees an object it does not know.
    return Variant(served != nullptr ? served->SimDispatch() : DispatchPtr());
  }
  return com::ToHostVariant(*v);
}

// ---- the object ----

namespace {
std::atomic<long> liveObjects{0};
}  // namespace

long LiveComObjects() { return liveObjects; }

DispObject::DispObject(const std::vector<Member>& members, std::initializer_list<IID> extraIids)
    : members_(members), extraIids_(extraIids) {
  ++liveObjects;
}

DispObject::~DispObject() { --liveObjects; }

HRESULT STDMETHODCALLTYPE DispObject::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  const bool answered =
      IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidServed) ||
      std::any_of(extraIids_.begin(), extraIids_.end(), [&](const IID& extra) { return IsEqualIID(iid, extra) != 0; });
  if (!answered) return E_NOINTERFACE;
  *out = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE DispObject::AddRef() { return ++refs_; }

ULONG STDMETHODCALLTYPE DispObject::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE DispObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DispObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE DispObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  try {
    for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;  // named arguments: none here
    const std::string name = com::Utf8FromWide(names[0], wcslen(names[0]));
    NameLookups().push_back(name);
    for (const Member& m : members_) {
      if (sim::EqualsIgnoringCase(m.Name, name)) {
        ids[0] = m.Id;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
      }
    }
    if (!AnswersAnyName()) {
      ids[0] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    ids[0] = DynamicId(name);
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
  } catch (...) {
    LogError(ErrorInfo{static_cast<int32_t>(E_UNEXPECTED), "exception in GetIDsOfNames", "standin"}, "standin",
             "GetIDsOfNames", "");
    return E_UNEXPECTED;
  }
}

HRESULT STDMETHODCALLTYPE DispObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                             EXCEPINFO* exception, UINT*) {
  try {
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    const Args args(params);
    Result<VariantValue> value = RuntimeError(err::kObjectDoesNotSupport);
    // A property read and written has two rows under one DISPID.
    auto member = std::find_if(members_.begin(), members_.end(), [id](const Member& m) { return m.Id == id; });
    if (member != members_.end()) {
      member = std::find_if(member, members_.end(), [id, put](const Member& m) { return m.Id == id && m.Put == put; });
      if (member == members_.end()) return DISP_E_MEMBERNOTFOUND;
      value = member->Call(*this, args);
    } else if (const std::string name = AnswersAnyName() && !put ? DynamicName(id) : std::string(); !name.empty()) {
      value = ByName(name, args);
    } else {
      return DISP_E_MEMBERNOTFOUND;
    }
    if (!value) return com::RaiseToCaller(value.Error(), exception);
    if (result != nullptr) value.Value().DetachTo(result);
    return S_OK;
  } catch (...) {
    LogError(ErrorInfo{static_cast<int32_t>(E_UNEXPECTED), "exception in Invoke", "standin"}, "standin", "Invoke", "");
    return E_UNEXPECTED;
  }
}

Result<VariantValue> DispObject::ByName(const std::string&, const Args&) {
  return RuntimeError(err::kObjectDoesNotSupport);
}

DispObject* Served(const VARIANT& value) {
  IUnknown* object = V_VT(&value) == VT_DISPATCH || V_VT(&value) == VT_UNKNOWN ? V_UNKNOWN(&value) : nullptr;
  if (object == nullptr) return nullptr;
  void* served = nullptr;
  if (FAILED(object->QueryInterface(kIidServed, &served)) || served == nullptr) return nullptr;
  auto* dispatch = static_cast<IDispatch*>(served);
  dispatch->Release();  // the caller's VARIANT keeps the object alive
  return static_cast<DispObject*>(dispatch);
}

// ---- results ----

Result<VariantValue> Returned(const Status& status) {
  if (!status) return status.Error();
  return VariantValue();
}

Result<VariantValue> Returned(const Result<std::string>& value) {
  if (!value) return value.Error();
  return VariantValue::Text(value.Value());
}

Result<VariantValue> Returned(const Result<int32_t>& value) {
  if (!value) return value.Error();
  return VariantValue::Long(value.Value());
}

Result<VariantValue> Returned(const Result<bool>& value) {
  if (!value) return value.Error();
  return VariantValue::Boolean(value.Value());
}

Result<VariantValue> Returned(const Result<Variant>& value) {
  if (!value) return value.Error();
  // A simulated object is served here; a COM object (a real add-in's) goes back as itself.
  if (const DispatchPtr* object = std::get_if<DispatchPtr>(&value.Value()); object && !com::ComObjectOf(object->get()))
    return VariantValue::Object(*object ? ServeDispatch(*object).Get() : nullptr);
  return com::FromHostVariant(value.Value());
}

}  // namespace bellnest::standin
