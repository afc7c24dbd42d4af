// The one header of the Windows world that includes <windows.h>. Everything under
// platform/win32 includes it instead, so the macros that would rename our own seam members
// (DeleteFile, MessageBox) are undone in one place, and min/max stay the standard ones.
// Also here: the scoped owners of the few kinds of Windows handle the seams hold.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// COM and OLE Automation (IDispatch, VARIANT, BSTR), OLE controls and the common controls:
// the COM server and the adapters to Outlook and RDO need them, and they too must come after
// the macro settings above.
#include <commctrl.h>
#include <ocidl.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>

// Names of seam members (ShellFileApi::DeleteFile, and the message box of the UI seam).
#undef DeleteFile
#undef MessageBox

#include <utility>

namespace bellnest::win32 {

// Owns one handle and closes it once. Traits give the invalid value and the close call.
template <class Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  Handle Get() const { return handle_; }
  bool Valid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }
  Handle Release() { return std::exchange(handle_, Traits::Invalid()); }
  void Reset(Handle handle = Traits::Invalid()) {
    if (Valid()) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

// Kernel objects: files, processes, pipes.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
// Kernel objects whose "none" is NULL rather than INVALID_HANDLE_VALUE (process and thread handles).
struct NullableHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
struct ModuleHandleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::FreeLibrary(h); }
};
struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};

using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedNullableHandle = ScopedHandle<NullableHandleTraits>;
using ScopedModule = ScopedHandle<ModuleHandleTraits>;
using ScopedRegKey = ScopedHandle<RegKeyTraits>;

}  // namespace bellnest::win32
