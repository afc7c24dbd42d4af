// basPPRegistry: reading and writing registry values as variants, over the registry seam.
// Strings go to the registry in the ANSI code page, without a terminating NUL.
#pragma once

#include <cstdint>
#include <string>

#include "host/variant.h"
#include "support/registry_api.h"

namespace bellnest {

// The value (a string for REG_SZ, a 32-bit integer for REG_DWORD), or Empty when the key or
// value is missing or of another type. A trailing NUL is dropped.
Variant ReadRegistryValue(RegKey root, const std::string& keyPath, const std::string& valueName);
// Creates the key path when missing and writes the value as REG_SZ (1) or REG_DWORD (4).
// False only for an empty key path; a failing write is not detected.
bool WriteRegistryValue(RegKey root, std::string keyPath, const std::string& valueName, const Variant& value,
                        uint32_t valueType);
// On an open key: the registry's result code (-1 for a type other than REG_SZ or REG_DWORD).
int32_t QueryRegistryValue(RegKey key, const std::string& valueName, Variant& value);
// On an open key: the result code of the write (0 when the type is not handled).
int32_t SetRegistryValue(RegKey key, const std::string& valueName, uint32_t valueType, const Variant& value);

}  // namespace bellnest
