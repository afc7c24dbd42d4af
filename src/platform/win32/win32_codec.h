// The Windows world's code page conversion: the core's UTF-8 to and from the process's ANSI
// code page (CP_ACP), the one the ANSI registry and file functions use.
#pragma once

#include <string>
#include <string_view>

#include "support/shell_api.h"

namespace bellnest::win32 {

class AnsiCodec final : public TextCodec {
 public:
  // Characters the code page lacks become "?", never a look-alike: a best-fit mapping could
  // turn a name into another existing name (or a path separator) in some code pages.
  std::string ToAnsi(std::string_view utf8) override;
  // Bytes the code page leaves undefined map as MultiByteToWideChar maps them.
  std::string FromAnsi(std::string_view ansi) override;
};

// UTF-8 and UTF-16 for the wide functions; malformed input becomes U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

}  // namespace bellnest::win32
