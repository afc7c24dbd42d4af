// The registry seam over advapi32's ANSI functions. Key handles cross the seam as numbers:
// a predefined root travels as its 32-bit value (HKEY_CURRENT_USER is 0x80000001) and is
// sign-extended into the real HKEY on 64-bit Windows; other handles are the HKEY's value.
//
// The seam closes and opens beneath only handles it handed out itself (and the predefined
// roots): a stale or made-up number is refused with ERROR_INVALID_HANDLE instead of reaching
// advapi32, where it could name a key another part of the host process owns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "platform/win32/windows_api.h"
#include "support/registry_api.h"

namespace bellnest::win32 {

// 0x80000000 to 0x800000FF as 32-bit values are the predefined roots.
bool IsPredefinedKey(RegKey key);
HKEY ToHkey(RegKey key);
RegKey FromHkey(HKEY key);

class Win32Registry final : public RegistryApi {
 public:
  Win32Registry() = default;
  // Closes the handles the caller left open.
  ~Win32Registry() override;
  Win32Registry(const Win32Registry&) = delete;
  Win32Registry& operator=(const Win32Registry&) = delete;

  int32_t RegOpenKeyA(RegKey key, const std::string& subKey, RegKey* result) override;
  int32_t RegCreateKeyA(RegKey key, const std::string& subKey, RegKey* result) override;
  int32_t RegQueryValueExA(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data,
                           uint32_t* dataSize) override;
  int32_t RegSetValueExA(RegKey key, const std::string& valueName, uint32_t type, const uint8_t* data,
                         uint32_t dataSize) override;
  int32_t RegCloseKey(RegKey key) override;
  int32_t RegDeleteKeyA(RegKey key, const std::string& subKey) override;

  // Handles opened or created through this object and not closed yet.
  size_t OpenHandleCount() const;

 private:
  bool Usable(RegKey key) const;
  // Records a handle advapi32 returned.
  RegKey Adopt(HKEY opened);

  // Handle value to the number of times it was handed out and not closed: RegOpenKeyA with an
  // empty sub key returns the handle it was given rather than a new one, and each hand-out
  // gets its own close; advapi32 closes the handle at the last.
  std::map<RegKey, int> open_;
};

}  // namespace bellnest::win32
