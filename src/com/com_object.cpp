// The module object and the shared pieces of the COM objects.
#include "com/com_object.h"

namespace bellnest::com {

Module& Module::Instance() {
  static Module module;
  return module;
}

std::wstring Module::Path() const {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(handle_, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

HRESULT DualDispatch::Load() {
  if (info_) return S_OK;
  if (!library_) {
    const HRESULT hr = ::LoadTypeLibEx(Module::Instance().Path().c_str(), REGKIND_NONE, library_.Put());
    if (FAILED(hr)) return hr;
  }
  ComPtr<ITypeInfo> dispatch;
  HRESULT hr = library_->GetTypeInfoOfGuid(iid_, dispatch.Put());
  if (FAILED(hr)) return hr;
  // A dual interface's type information describes the dispinterface; DispInvoke needs the
  // vtable half.
  HREFTYPE vtable = 0;
  hr = dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable);
  if (FAILED(hr)) return hr;
  return dispatch->GetRefTypeInfo(vtable, info_.Put());
}

HRESULT DualDispatch::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT DualDispatch::GetTypeInfo(UINT index, ITypeInfo** info) {
  return Guarded("IDispatch.GetTypeInfo", [&]() -> HRESULT {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    const HRESULT hr = Load();
    if (FAILED(hr)) return hr;
    *info = ComPtr<ITypeInfo>(info_).Detach();
    return S_OK;
  });
}

HRESULT DualDispatch::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) {
  return Guarded("IDispatch.GetIDsOfNames", [&]() -> HRESULT {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    const HRESULT hr = Load();
    return FAILED(hr) ? hr : ::DispGetIDsOfNames(info_.Get(), names, count, ids);
  });
}

HRESULT DualDispatch::Invoke(void* vtable, DISPID id, REFIID iid, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* exception, UINT* argumentError) {
  return Guarded("IDispatch.Invoke", [&]() -> HRESULT {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    const HRESULT hr = Load();
    if (FAILED(hr)) return hr;
    return ::DispInvoke(vtable, info_.Get(), id, flags, params, result, exception, argumentError);
  });
}

HRESULT DualDispatch::TypeInfoOf(REFGUID guid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  const HRESULT hr = Load();
  return FAILED(hr) ? hr : library_->GetTypeInfoOfGuid(guid, info);
}

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

}  // namespace bellnest::com
