// The building blocks of every COM object in the DLL: the module object whose counts answer
// DllCanUnloadNow, reference counts that start at 1 and end in a private destructor, a
// table-driven QueryInterface, and the guard that keeps C++ exceptions out of COM callers
// (platform/win32/guarded.h: the window procedures below COM share it).
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

#include "com/com_ptr.h"
#include "platform/win32/guarded.h"
#include "platform/win32/windows_api.h"

namespace bellnest::com {

// The DLL itself: its handle (stored by DllMain), the live objects and the server locks.
class Module {
 public:
  static Module& Instance();

  HMODULE Handle() const { return handle_; }
  void SetHandle(HMODULE handle) { handle_ = handle; }
  // The DLL's own full path, as COM and the type library registration need it.
  std::wstring Path() const;

  void AddObject() { ++objects_; }
  void ReleaseObject() { --objects_; }
  void Lock(bool lock) { lock ? ++locks_ : --locks_; }
  bool CanUnload() const { return objects_ == 0 && locks_ == 0; }
  long Objects() const { return objects_; }

 private:
  HMODULE handle_ = nullptr;
  std::atomic<long> objects_{0};
  std::atomic<long> locks_{0};
};

// Reference counting for Self: a new object holds the one reference its creator owns and
// counts as a live object of the module until it is destroyed. Self keeps its destructor
// private and befriends this class, so only the last Release can end it.
template <class Self>
class RefCounted {
 protected:
  RefCounted() { Module::Instance().AddObject(); }
  ~RefCounted() { Module::Instance().ReleaseObject(); }
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  ULONG AddRefImpl() { return ++refs_; }
  ULONG ReleaseImpl() {
    const ULONG left = --refs_;
    if (left == 0) {
      // The destructor may run code that holds the object for a while (across a message pump):
      // from here on no count reaches zero again, so the object ends once.
      refs_ = kEnding;
      delete static_cast<Self*>(this);
    }
    return left;
  }

 private:
  static constexpr ULONG kEnding = 1u << 30;
  std::atomic<ULONG> refs_{1};
};

// One row of an object's interface table: the IID and how to reach that interface of Self.
template <class Self>
struct InterfaceEntry {
  const IID* Iid;
  IUnknown* (*Cast)(Self*);
};

template <class Self, class Interface>
IUnknown* CastTo(Self* self) {
  return static_cast<Interface*>(self);
}

// QueryInterface over a table whose first row also answers IID_IUnknown. The out pointer is
// cleared first, so a caller never sees a stale pointer on failure.
template <class Self, std::size_t N>
HRESULT QueryInterfaceFrom(Self* self, const InterfaceEntry<Self> (&table)[N], REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (std::size_t i = 0; i < N; ++i) {
    if (IsEqualIID(iid, *table[i].Iid) || (i == 0 && IsEqualIID(iid, IID_IUnknown))) {
      IUnknown* found = table[i].Cast(self);
      found->AddRef();
      *out = found;
      return S_OK;
    }
  }
  return E_NOINTERFACE;
}

// The guard of every COM method (and of the window procedures and callbacks below them).
using win32::Guarded;

// IDispatch for one dual interface of this DLL, from the type library inside the DLL: the type
// information is loaded at first use and Invoke calls the vtable through DispInvoke.
class DualDispatch {
 public:
  explicit DualDispatch(const IID& iid) : iid_(iid) {}

  HRESULT GetTypeInfoCount(UINT* count);
  HRESULT GetTypeInfo(UINT index, ITypeInfo** info);
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids);
  // vtable: the object as that dual interface.
  HRESULT Invoke(void* vtable, DISPID id, REFIID iid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argumentError);
  // The type information of another type of the library (a coclass, for IProvideClassInfo).
  HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** info);

 private:
  HRESULT Load();

  const IID& iid_;
  ComPtr<ITypeLib> library_;
  ComPtr<ITypeInfo> info_;  // the interface's vtable half
};

// A dual interface of this DLL whose IDispatch half is answered from the type library.
template <class Interface, const IID* kIid>
class DualInterface : public Interface {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override { return dispatch_.GetTypeInfoCount(count); }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override { return dispatch_.GetTypeInfo(index, info); }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return dispatch_.GetIDsOfNames(iid, names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argumentError) override {
    return dispatch_.Invoke(static_cast<Interface*>(this), id, iid, flags, params, result, exception, argumentError);
  }

 protected:
  DualDispatch dispatch_{*kIid};
};

// "{XXXXXXXX-...}" for a GUID, as the registry writes it.
std::wstring GuidText(REFGUID guid);

}  // namespace bellnest::com
