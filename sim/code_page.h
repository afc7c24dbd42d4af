// The native world's ANSI code page: Windows-1252 by default, as on an English Windows.
// Characters the code page lacks become "?", as WideCharToMultiByte's default character.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "support/shell_api.h"

namespace bellnest::sim {

class Windows1252Codec final : public TextCodec {
 public:
  std::string ToAnsi(std::string_view utf8) override;
  std::string FromAnsi(std::string_view ansi) override;
};

// Windows-1252 bytes in upper case, as the registry and the file system compare names:
// case-insensitively, letters with accents included.
std::string UpperAnsi(std::string_view ansi);

// UTF-16LE bytes (an even count, no byte order mark) as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);

// The byte offset of the first sequence that is not well-formed UTF-8 (overlong, a surrogate,
// beyond U+10FFFF, cut short or a stray continuation byte); nothing when all is well-formed.
std::optional<size_t> FirstInvalidUtf8(std::string_view text);
// The byte offset of the first unpaired surrogate in UTF-16LE bytes; nothing when there is none.
std::optional<size_t> FirstLoneSurrogate(std::string_view bytes);

}  // namespace bellnest::sim
