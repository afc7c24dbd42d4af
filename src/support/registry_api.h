// The registry seam: the six advapi32 functions the system calls, with their ANSI strings,
// result codes and semantics. The Win32 build calls advapi32; the native world has an
// in-memory registry with the same behaviour.
#pragma once

#include <cstdint>
#include <string>

namespace bellnest {

// A key handle; predefined roots carry their Win32 values.
using RegKey = uint64_t;
inline constexpr RegKey kHkeyClassesRoot = 0x80000000u;
inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002u;

namespace reg {
inline constexpr uint32_t kNone = 0;
inline constexpr uint32_t kSz = 1;
inline constexpr uint32_t kExpandSz = 2;
inline constexpr uint32_t kBinary = 3;
inline constexpr uint32_t kDword = 4;
inline constexpr uint32_t kMultiSz = 7;
inline constexpr uint32_t kQword = 11;

inline constexpr int32_t kSuccess = 0;
inline constexpr int32_t kFileNotFound = 2;
inline constexpr int32_t kAccessDenied = 5;
inline constexpr int32_t kInvalidHandle = 6;
inline constexpr int32_t kInvalidParameter = 87;
inline constexpr int32_t kCallNotImplemented = 120;
inline constexpr int32_t kMoreData = 234;
}  // namespace reg

// Names and string data are bytes in the ANSI code page.
class RegistryApi {
 public:
  virtual ~RegistryApi() = default;
  // Opens an existing key; an empty sub key opens the key itself. *result is 0 on failure.
  virtual int32_t RegOpenKeyA(RegKey key, const std::string& subKey, RegKey* result) = 0;
  // Opens or creates the key, creating every missing key along the path.
  virtual int32_t RegCreateKeyA(RegKey key, const std::string& subKey, RegKey* result) = 0;
  // With data null, reports type and size only. A buffer too small gives kMoreData and the size.
  virtual int32_t RegQueryValueExA(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data,
                                   uint32_t* dataSize) = 0;
  // For string types, as Windows does, the byte after the data is read: data that lacks its
  // terminating NUL gets that byte stored too when it is a NUL. Text buffers passed here end in
  // a NUL (std::string's do).
  virtual int32_t RegSetValueExA(RegKey key, const std::string& valueName, uint32_t type, const uint8_t* data,
                                 uint32_t dataSize) = 0;
  virtual int32_t RegCloseKey(RegKey key) = 0;
  // Deletes a key without subkeys (one with subkeys is refused with kAccessDenied).
  virtual int32_t RegDeleteKeyA(RegKey key, const std::string& subKey) = 0;
};

}  // namespace bellnest
