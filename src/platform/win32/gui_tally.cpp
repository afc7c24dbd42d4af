// The tally, in a section of memory that every module of the process finds by its name.
#include "platform/win32/gui_tally.h"

#include <string>

#include "platform/win32/windows_api.h"

namespace bellnest::win32 {

namespace {

constexpr std::size_t kKinds = static_cast<std::size_t>(GuiObject::kKinds);

class SharedCounts {
 public:
  SharedCounts() {
    const std::wstring name = L"Local\\BellnestGuiTally." + std::to_wstring(::GetCurrentProcessId());
    section_.Reset(
        ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG) * kKinds, name.c_str()));
    if (section_) view_ = static_cast<LONG*>(::MapViewOfFile(section_.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view_) view_ = own_;  // counted for this module alone
  }
  ~SharedCounts() {
    if (view_ != own_) ::UnmapViewOfFile(view_);
  }
  SharedCounts(const SharedCounts&) = delete;
  SharedCounts& operator=(const SharedCounts&) = delete;

  volatile LONG& Of(GuiObject kind) { return view_[static_cast<std::size_t>(kind)]; }

 private:
  ScopedNullableHandle section_;
  LONG own_[kKinds] = {};
  LONG* view_ = nullptr;
};

SharedCounts& Counts() {
  static SharedCounts counts;
  return counts;
}

}  // namespace

GuiCounts GuiTally() {
  GuiCounts counts{};
  for (std::size_t i = 0; i < kKinds; ++i) counts[i] = Counts().Of(static_cast<GuiObject>(i));
  return counts;
}

void TallyMade(GuiObject kind) { ::InterlockedIncrement(&Counts().Of(kind)); }

void TallyDestroyed(GuiObject kind) { ::InterlockedDecrement(&Counts().Of(kind)); }

}  // namespace bellnest::win32
