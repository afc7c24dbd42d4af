// The native world's ANSI code page: Windows-1252 by default, as on an English Windows.
// Characters the code page lacks become "?", as WideCharToMultiByte's default character.
#pragma once

#include <string>
#include <string_view>

#include "support/shell_api.h"

namespace bellnest::sim {

class Windows1252Codec final : public TextCodec {
 public:
  std::string ToAnsi(std::string_view utf8) override;
  std::string FromAnsi(std::string_view ansi) override;
};

}  // namespace bellnest::sim
