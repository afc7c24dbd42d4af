// The stand-in's COM objects: each simulated Outlook or RDO object is served as an IDispatch
// whose dispinterface is a small table (name, DISPID, handler), with the member names of the
// real libraries so that callers find them by name. A failed member raises EXCEPINFO with the
// simulated host's error. Only the stand-in's own files include this header.
#pragma once

#include <atomic>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "com/dispatch.h"
#include "host/outlook.h"
#include "host/rdo.h"
#include "support/error_log.h"

namespace bellnest::standin {

using com::VariantValue;

// The arguments of one Invoke in reading order; a missing optional argument reads as absent.
class Args {
 public:
  explicit Args(const DISPPARAMS* params) : params_(params) {}
  size_t Count() const { return params_ != nullptr ? params_->cArgs : 0; }
  const VARIANT* At(size_t i) const;  // null when absent
  Result<std::string> Text(size_t i) const;
  Result<int32_t> Long(size_t i) const;
  Result<bool> Boolean(size_t i) const;
  // An object argument as the simulated host value it stands for (objects served here go
  // back as the simulated object; plain values convert as the run-time does).
  Result<Variant> Value(size_t i) const;

 private:
  const DISPPARAMS* params_;
};

class DispObject;

// IUnknown for a small stand-in object with one interface besides IUnknown (and IDispatch, when
// that interface is a dual one): its reference count starts at 1 and the last Release deletes it.
template <class Interface, const IID* kIid>
class SingleInterface : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    const bool dual = std::is_base_of_v<IDispatch, Interface> && IsEqualIID(iid, IID_IDispatch);
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, *kIid) && !dual) return E_NOINTERFACE;
    *out = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  SingleInterface() = default;
  virtual ~SingleInterface() = default;

 private:
  std::atomic<ULONG> refs_{1};
};
using Handler = Result<VariantValue> (*)(DispObject& self, const Args& args);

struct Member {
  const char* Name;
  DISPID Id;
  Handler Call;
  bool Put = false;  // a property put rather than a read or a method
};

// The base of every stand-in object: reference count, QueryInterface, the table lookup and
// the exception boundary. A subclass gives its table and, when it answers any member name,
// ByName.
class DispObject : public IDispatch {
 public:
  DispObject(const std::vector<Member>& members, std::initializer_list<IID> extraIids = {});
  virtual ~DispObject();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* badArgument) override;

  // The simulated objects this one serves, for arguments that come back (MAPIOBJECT, folders).
  virtual DispatchPtr SimDispatch() const { return nullptr; }
  virtual RdoFolderPtr SimFolder() const { return nullptr; }

 protected:
  // Members outside the table, by name (objects read late bound); null when there are none.
  virtual Result<VariantValue> ByName(const std::string& name, const Args& args);
  virtual bool AnswersAnyName() const { return false; }

 private:
  const std::vector<Member>& members_;
  std::vector<IID> extraIids_;
  std::atomic<ULONG> refs_{1};
};

// A new object served here, as the caller's reference (the count starts at one).
template <class T, class... A>
com::ComPtr<IDispatch> Serve(A&&... args) {
  return com::ComPtr<IDispatch>::Attach(new T(std::forward<A>(args)...));
}

// The stand-in object that serves a simulated object, found through a private interface.
DispObject* Served(const VARIANT& value);

// Results of simulated calls as VARIANTs.
Result<VariantValue> Returned(const Status& status);
Result<VariantValue> Returned(const Result<std::string>& value);
Result<VariantValue> Returned(const Result<int32_t>& value);
Result<VariantValue> Returned(const Result<bool>& value);
Result<VariantValue> Returned(const Result<Variant>& value);
// An object result served by T (Nothing stays Nothing).
template <class T, class Ptr>
Result<VariantValue> ReturnedObject(const Result<Ptr>& value) {
  if (!value) return value.Error();
  if (!value.Value()) return VariantValue::Object(nullptr);
  return VariantValue::Object(Serve<T>(value.Value()).Get());
}

// The simulated Outlook's objects behind COM.
com::ComPtr<IDispatch> ServePageSite(PropertyPageSitePtr site);
com::ComPtr<IDispatch> ServeApplication(ApplicationPtr application);
// The page site whose Application is the given object (the one the add-ins hold) once the
// simulated site answered one.
com::ComPtr<IDispatch> ServePageSite(PropertyPageSitePtr site, com::ComPtr<IDispatch> application);
// The sinks advised on a served Application's ApplicationEvents, in the order they came.
std::vector<com::ComPtr<IDispatch>> ApplicationEventSinks(IDispatch* application);
com::ComPtr<IDispatch> ServeDispatch(DispatchPtr object);
com::ComPtr<IDispatch> ServeRdoSession(RdoSessionPtr session);

}  // namespace bellnest::standin
