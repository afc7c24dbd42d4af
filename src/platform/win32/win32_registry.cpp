// advapi32 behind the registry seam. Result codes pass through unchanged: the core reads them
// as Windows reports them. Names with an embedded NUL would silently name another key or
// value, so they are refused.
#include "platform/win32/win32_registry.h"

namespace bellnest::win32 {

namespace {

bool HasNul(const std::string& text) { return text.find('\0') != std::string::npos; }

}  // namespace

bool IsPredefinedKey(RegKey key) { return key >= 0x80000000u && key <= 0x800000FFu; }

HKEY ToHkey(RegKey key) {
  if (IsPredefinedKey(key)) {
    // The predefined roots are negative 32-bit numbers widened with their sign.
    const auto value = static_cast<LONG>(static_cast<uint32_t>(key));
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(value));
  }
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(key));
}

RegKey FromHkey(HKEY key) {
  const auto value = reinterpret_cast<ULONG_PTR>(key);
  const auto low = static_cast<uint32_t>(value);
  if (IsPredefinedKey(low) && ToHkey(low) == key) return low;
  return static_cast<RegKey>(value);
}

Win32Registry::~Win32Registry() {
  for (const auto& [key, count] : open_) ::RegCloseKey(ToHkey(key));
}

bool Win32Registry::Usable(RegKey key) const { return IsPredefinedKey(key) || open_.count(key) > 0; }

RegKey Win32Registry::Adopt(HKEY opened) {
  const RegKey key = FromHkey(opened);
  // An empty sub key answers the parent itself; counting it keeps the parent open until both
  // the caller's close and the parent's own close have come.
  if (!IsPredefinedKey(key)) ++open_[key];
  return key;
}

int32_t Win32Registry::RegOpenKeyA(RegKey key, const std::string& subKey, RegKey* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = 0;
  if (!Usable(key)) return ERROR_INVALID_HANDLE;
  if (HasNul(subKey)) return ERROR_INVALID_PARAMETER;
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyA(ToHkey(key), subKey.c_str(), &opened);
  if (status == ERROR_SUCCESS) *result = Adopt(opened);
  return status;
}

int32_t Win32Registry::RegCreateKeyA(RegKey key, const std::string& subKey, RegKey* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = 0;
  if (!Usable(key)) return ERROR_INVALID_HANDLE;
  if (HasNul(subKey)) return ERROR_INVALID_PARAMETER;
  HKEY created = nullptr;
  const LONG status = ::RegCreateKeyA(ToHkey(key), subKey.c_str(), &created);
  if (status == ERROR_SUCCESS) *result = Adopt(created);
  return status;
}

int32_t Win32Registry::RegQueryValueExA(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data,
                                        uint32_t* dataSize) {
  if (!Usable(key)) return ERROR_INVALID_HANDLE;
  if (HasNul(valueName)) return ERROR_INVALID_PARAMETER;
  DWORD valueType = 0;
  DWORD size = dataSize ? *dataSize : 0;
  const LONG status =
      ::RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &valueType, data, dataSize ? &size : nullptr);
  if (type && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)) *type = valueType;
  if (dataSize) *dataSize = size;
  return status;
}

int32_t Win32Registry::RegSetValueExA(RegKey key, const std::string& valueName, uint32_t type, const uint8_t* data,
                                      uint32_t dataSize) {
  if (!Usable(key)) return ERROR_INVALID_HANDLE;
  if (HasNul(valueName)) return ERROR_INVALID_PARAMETER;
  // Passed as given: for a string without its NUL, advapi32 stores the NUL that follows the
  // data in memory, as Windows NT does for every caller.
  return ::RegSetValueExA(ToHkey(key), valueName.c_str(), 0, type, data, dataSize);
}

int32_t Win32Registry::RegCloseKey(RegKey key) {
  if (IsPredefinedKey(key)) return ::RegCloseKey(ToHkey(key));
  const auto found = open_.find(key);
  if (found == open_.end()) return ERROR_INVALID_HANDLE;
  if (--found->second > 0) return ERROR_SUCCESS;
  open_.erase(found);
  return ::RegCloseKey(ToHkey(key));
}

int32_t Win32Registry::RegDeleteKeyA(RegKey key, const std::string& subKey) {
  if (!Usable(key)) return ERROR_INVALID_HANDLE;
  if (HasNul(subKey)) return ERROR_INVALID_PARAMETER;
  return ::RegDeleteKeyA(ToHkey(key), subKey.c_str());
}

size_t Win32Registry::OpenHandleCount() const {
  size_t count = 0;
  for (const auto& [key, times] : open_) count += static_cast<size_t>(times);
  return count;
}

}  // namespace bellnest::win32
