// The .reg text that regedit exports and imports, as sections of keys and values, so that the
// native world's registry can be loaded from a file and carried to a real machine.
//
// Reading accepts "Windows Registry Editor Version 5.00" (UTF-16LE with a byte order mark, or
// UTF-8) and "REGEDIT4" (bytes in the ANSI code page). Quoted text knows the escapes \\, \" and
// \n. In a Unicode file the names, the quoted strings and the hex data of the string types
// (hex(1), hex(2), hex(7)) are Unicode and are converted to the ANSI code page, because the
// registry here holds what the ANSI functions see.
//
// Writing produces REGEDIT4 in the ANSI code page with CR LF line ends, which regedit imports
// by converting from the ANSI code page exactly as RegSetValueExA does. Only a REG_SZ that ends
// in its single terminating NUL is written as "text" (regedit adds that NUL on import); any
// other REG_SZ, such as the system's own values stored without a NUL, is written as hex(1): so
// that a 3-byte value is still 3 bytes after the round trip.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/error_info.h"
#include "support/registry_api.h"
#include "support/shell_api.h"

namespace bellnest::sim {

inline constexpr RegKey kHkeyUsers = 0x80000003u;
inline constexpr RegKey kHkeyCurrentConfig = 0x80000005u;

// The HRESULT of ERROR_INVALID_DATA: the number a malformed file is reported with.
inline constexpr int32_t kRegFileMalformed = static_cast<int32_t>(0x8007000D);
inline constexpr const char* kRegFileSource = "Bellnest registry file";

struct RegFileValue {
  std::string Name;     // ANSI; empty for the default value (@)
  bool Remove = false;  // "name"=-
  uint32_t Type = 0;
  std::string Data;  // the exact bytes RegQueryValueExA returns
};

struct RegFileSection {
  RegKey Root = 0;
  std::string Path;     // ANSI, without leading or trailing backslash; empty for the root
  bool Remove = false;  // [-...]: the key and everything below it
  std::vector<RegFileValue> Values;
};

// Parses .reg text. A malformed file gives an error whose description names the file, the line
// and the problem; nothing is returned in part.
Result<std::vector<RegFileSection>> ParseRegText(std::string_view bytes, std::string_view fileName, TextCodec& codec);
// REGEDIT4 text, one section per entry, in the order given.
std::string FormatRegText(const std::vector<RegFileSection>& sections);

// "HKEY_CURRENT_USER" and its kind; empty for a handle that is not a predefined root.
std::string_view RootKeyName(RegKey root);
std::optional<RegKey> RootKeyFromName(std::string_view name);

}  // namespace bellnest::sim
