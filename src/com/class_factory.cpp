// One class factory serving every row of the class table.
#include "com/class_factory.h"

#include "com/com_object.h"

namespace bellnest::com {

namespace {

class ClassFactory final : public IClassFactory, private RefCounted<ClassFactory> {
 public:
  explicit ClassFactory(const ClassEntry& entry) : entry_(entry) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    static const InterfaceEntry<ClassFactory> kInterfaces[] = {
        {&IID_IClassFactory, &CastTo<ClassFactory, IClassFactory>},
    };
    return QueryInterfaceFrom(this, kInterfaces, iid, out);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    return Guarded("IClassFactory.CreateInstance", [&]() -> HRESULT {
      if (!out) return E_POINTER;
      *out = nullptr;
      if (outer) return CLASS_E_NOAGGREGATION;
      return entry_.Create(iid, out);
    });
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    Module::Instance().Lock(lock != FALSE);
    return S_OK;
  }

 private:
  friend class RefCounted<ClassFactory>;
  ~ClassFactory() = default;

  const ClassEntry& entry_;
};

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return Guarded("DllGetClassObject", [&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const ClassEntry& entry : ServerClasses()) {
      if (!IsEqualCLSID(clsid, *entry.Clsid)) continue;
      auto* factory = new ClassFactory(entry);
      const HRESULT hr = factory->QueryInterface(iid, out);
      factory->Release();
      return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
  });
}

}  // namespace bellnest::com
