// Parsing and writing .reg text. The parser reads the whole file before anything is applied,
// so a malformed file changes nothing.
#include "sim/reg_file.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "sim/code_page.h"

namespace bellnest::sim {

namespace {

constexpr std::string_view kUnicodeHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kAnsiHeader = "REGEDIT4";

struct RootEntry {
  RegKey Key;
  std::string_view Name;
};
constexpr std::array<RootEntry, 5> kRoots = {{{kHkeyClassesRoot, "HKEY_CLASSES_ROOT"},
                                              {kHkeyCurrentUser, "HKEY_CURRENT_USER"},
                                              {kHkeyLocalMachine, "HKEY_LOCAL_MACHINE"},
                                              {kHkeyUsers, "HKEY_USERS"},
                                              {kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG"}}};

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}
std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}
std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && UpperAnsi(s.substr(0, prefix.size())) == UpperAnsi(prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to 8 hexadecimal digits as a number.
std::optional<uint32_t> ParseHex32(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    value = (value << 4) | static_cast<uint32_t>(d);
  }
  return value;
}

size_t LineFeedsBefore(std::string_view text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return lines;
}

class Parser {
 public:
  Parser(std::string_view fileName, TextCodec& codec) : fileName_(fileName), codec_(codec) {}

  Result<std::vector<RegFileSection>> Run(std::string_view bytes) {
    std::string text;
    bool halfCharacter = false;
    bool utf16 = false;
    if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) {
      bytes.remove_prefix(2);
      halfCharacter = bytes.size() % 2 != 0;
      const std::string_view units = bytes.substr(0, bytes.size() - (halfCharacter ? 1 : 0));
      // A lone surrogate would silently become U+FFFD; the file is refused instead.
      if (const std::optional<size_t> at = FirstLoneSurrogate(units)) {
        return Fail(1 + LineFeedsBefore(Utf16LeToUtf8(units.substr(0, *at))),
                    "an unpaired UTF-16 surrogate (the file is not valid UTF-16)");
      }
      text = Utf16LeToUtf8(units);
      unicode_ = true;
      utf16 = true;
    } else if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFE && static_cast<uint8_t>(bytes[1]) == 0xFF) {
      return Fail(1, "UTF-16 big-endian text is not supported; save the file as UTF-16LE, UTF-8 or ANSI");
    } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
      text = bytes.substr(3);
      unicode_ = true;
    } else {
      text = bytes;
    }
    lines_ = SplitLines(text);
    if (halfCharacter) return Fail(lines_.size(), "the file ends in the middle of a UTF-16 character");

    const std::string_view header = Trim(lines_[0]);
    if (header == kUnicodeHeader) {
      unicode_ = true;
    } else if (header != kAnsiHeader) {
      return Fail(1,
                  "not a registry file: the first line must be \"Windows Registry Editor Version 5.00\" or "
                  "\"REGEDIT4\"");
    }
    // Ill-formed UTF-8 is refused, not decoded: an overlong C0 8A would otherwise become a line
    // feed inside a name, and C1 9C a backslash that splits a key.
    if (unicode_ && !utf16) {
      if (const std::optional<size_t> at = FirstInvalidUtf8(text)) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "%02X", static_cast<uint8_t>(text[*at]));
        return Fail(1 + LineFeedsBefore(std::string_view(text).substr(0, *at)),
                    std::string("invalid UTF-8 (an overlong, cut or stray sequence at byte ") + byte + ")");
      }
    }

    for (line_ = 1; line_ < lines_.size(); ++line_) {
      const std::string_view line = Trim(lines_[line_]);
      if (line.empty() || line.front() == ';') continue;
      std::string problem;
      if (line.front() == '[') {
        problem = ParseSection(line);
      } else if (line.front() == '"' || line.front() == '@') {
        problem = ParseValue(line);
      } else {
        problem = "expected a [key] line or a \"name\"=value line";
      }
      if (!problem.empty()) return Fail(line_ + 1, problem);
    }
    return std::move(sections_);
  }

 private:
  ErrorInfo Fail(size_t lineNumber, std::string_view problem) const {
    return ErrorInfo{kRegFileMalformed,
                     std::string(fileName_) + ", line " + std::to_string(lineNumber) + ": " + std::string(problem),
                     kRegFileSource};
  }

  std::string Ansi(std::string_view text) const { return unicode_ ? codec_.ToAnsi(text) : std::string(text); }

  std::string ParseSection(std::string_view line) {
    if (line.back() != ']') return "the key line lacks its closing ']'";
    std::string_view inside = line.substr(1, line.size() - 2);
    const bool remove = !inside.empty() && inside.front() == '-';
    if (remove) inside.remove_prefix(1);
    const size_t slash = inside.find('\\');
    const std::string_view rootName = inside.substr(0, slash);
    std::string_view path = slash == std::string_view::npos ? std::string_view() : inside.substr(slash + 1);
    const std::optional<RegKey> root = RootKeyFromName(rootName);
    if (!root) return "unknown root key \"" + std::string(rootName) + "\"";
    // Names are checked as the registry will hold them, after decoding.
    std::string ansiPath = Ansi(path);
    while (!ansiPath.empty() && ansiPath.back() == '\\') ansiPath.pop_back();
    if (!ansiPath.empty() && (ansiPath.front() == '\\' || ansiPath.find("\\\\") != std::string::npos)) {
      return "the key path has an empty key name";
    }
    if (remove && ansiPath.empty()) return "a root key cannot be deleted";
    sections_.push_back(RegFileSection{*root, std::move(ansiPath), remove, {}});
    return {};
  }

  // Quoted text starting at text[pos] == '"'; pos ends after the closing quote.
  static std::string ParseQuoted(std::string_view text, size_t& pos, std::string& out) {
    ++pos;
    while (pos < text.size()) {
      const char c = text[pos++];
      if (c == '"') return {};
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos >= text.size()) break;
      const char escaped = text[pos++];
      if (escaped == '\\' || escaped == '"') {
        out += escaped;
      } else if (escaped == 'n') {
        out += '\n';
      } else {
        return std::string("unknown escape \"\\") + escaped + "\" in quoted text (write a backslash as \\\\)";
      }
    }
    return "the quoted text has no closing quote";
  }

  std::string ParseValue(std::string_view line) {
    if (sections_.empty()) return "a value line comes before any [key] line";
    RegFileValue value;
    size_t pos = 0;
    std::string name;
    if (line.front() == '@') {
      pos = 1;
    } else if (std::string problem = ParseQuoted(line, pos, name); !problem.empty()) {
      return problem;
    }
    value.Name = Ansi(name);
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') return "expected '=' after the value name";
    const std::string_view data = TrimLeft(line.substr(pos + 1));

    std::string problem;
    if (data.empty()) {
      problem = "the value has no data";
    } else if (data.front() == '"') {
      size_t end = 0;
      std::string text;
      problem = ParseQuoted(data, end, text);
      if (problem.empty() && !Trim(data.substr(end)).empty()) problem = "unexpected text after the closing quote";
      value.Type = reg::kSz;
      value.Data = Ansi(text) + '\0';
    } else if (data == "-") {
      value.Remove = true;
    } else if (StartsWithNoCase(data, "dword:")) {
      const std::optional<uint32_t> number = ParseHex32(Trim(data.substr(6)));
      if (!number) problem = "a dword value needs 1 to 8 hexadecimal digits";
      value.Type = reg::kDword;
      const uint32_t n = number.value_or(0);
      value.Data = {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                    static_cast<char>(n >> 24)};
    } else if (StartsWithNoCase(data, "hex")) {
      problem = ParseHex(data, value);
    } else {
      problem = "unknown kind of value: expected \"text\", dword:, hex:, hex(n): or -";
    }
    if (!problem.empty()) return problem;
    // Values under a deleted key are ignored, as regedit ignores them.
    if (!sections_.back().Remove) sections_.back().Values.push_back(std::move(value));
    return {};
  }

  // hex: or hex(n): followed by comma-separated bytes, continued on the next line after a
  // trailing backslash. Problems on a continuation line are reported with that line.
  std::string ParseHex(std::string_view data, RegFileValue& value) {
    size_t pos = 3;
    value.Type = reg::kBinary;
    if (pos < data.size() && data[pos] == '(') {
      const size_t close = data.find(')', pos);
      if (close == std::string_view::npos) return "hex( lacks its closing ')'";
      const std::optional<uint32_t> type = ParseHex32(data.substr(pos + 1, close - pos - 1));
      if (!type) return "the type in hex(n) must be 1 to 8 hexadecimal digits";
      value.Type = *type;
      pos = close + 1;
    }
    if (pos >= data.size() || data[pos] != ':') return "expected ':' after hex";
    std::string_view segment = TrimRight(data.substr(pos + 1));
    while (true) {
      const bool continued = !segment.empty() && segment.back() == '\\';
      if (continued) segment.remove_suffix(1);
      if (std::string problem = ParseHexBytes(segment, value.Data); !problem.empty()) return problem;
      if (!continued) break;
      if (++line_ >= lines_.size()) {
        --line_;
        return "the value continues past the end of the file";
      }
      segment = Trim(lines_[line_]);
    }
    const bool stringType = value.Type == reg::kSz || value.Type == reg::kExpandSz || value.Type == reg::kMultiSz;
    if (unicode_ && stringType) {
      if (value.Data.size() % 2 != 0) return "string data in a Unicode file needs an even number of bytes";
      value.Data = codec_.ToAnsi(Utf16LeToUtf8(value.Data));
    }
    return {};
  }

  // The bytes of one line. A comma may close the line (before a continuation or at the end).
  static std::string ParseHexBytes(std::string_view segment, std::string& out) {
    segment = Trim(segment);
    if (segment.empty()) return {};
    size_t start = 0;
    while (start <= segment.size()) {
      const size_t comma = segment.find(',', start);
      const std::string_view token =
          Trim(segment.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
      const bool last = comma == std::string_view::npos;
      if (token.empty()) {
        if (last && start > 0) break;  // a trailing comma
        return "an empty byte between commas";
      }
      const std::optional<uint32_t> byte = token.size() <= 2 ? ParseHex32(token) : std::nullopt;
      if (!byte) return "bad hex byte \"" + std::string(token) + "\"";
      out += static_cast<char>(*byte);
      if (last) break;
      start = comma + 1;
    }
    return {};
  }

  std::string_view fileName_;
  TextCodec& codec_;
  bool unicode_ = false;
  std::vector<std::string_view> lines_;
  size_t line_ = 0;
  std::vector<RegFileSection> sections_;
};

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

// Text that a quoted string carries unchanged: one terminating NUL and no other control byte.
bool IsPlainText(std::string_view data) {
  if (data.empty() || data.back() != '\0') return false;
  data.remove_suffix(1);
  for (char c : data) {
    if (static_cast<uint8_t>(c) < 0x20 && c != '\t') return false;
  }
  return true;
}

std::string HexByte(uint8_t b) {
  char text[3];
  std::snprintf(text, sizeof text, "%02x", b);
  return text;
}

// Comma-separated bytes, wrapped as regedit wraps them: lines of at most 80 columns, a trailing
// backslash, and continuation lines indented by two spaces.
std::string HexValue(std::string head, std::string_view data) {
  std::string out = std::move(head);
  size_t column = out.size();
  for (size_t i = 0; i < data.size(); ++i) {
    std::string item = HexByte(static_cast<uint8_t>(data[i]));
    if (i + 1 < data.size()) item += ',';
    if (i > 0 && column + item.size() + 1 > 80) {
      out += "\\\r\n  ";
      column = 2;
    }
    out += item;
    column += item.size();
  }
  return out + "\r\n";
}

std::string FormatValue(const RegFileValue& value) {
  std::string head = value.Name.empty() ? "@=" : "\"" + Escape(value.Name) + "\"=";
  if (value.Remove) return head + "-\r\n";
  if (value.Type == reg::kSz && IsPlainText(value.Data)) {
    return head + "\"" + Escape(std::string_view(value.Data).substr(0, value.Data.size() - 1)) + "\"\r\n";
  }
  if (value.Type == reg::kDword && value.Data.size() == 4) {
    const auto byte = [&value](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(value.Data[i])); };
    const uint32_t n = byte(0) | (byte(1) << 8) | (byte(2) << 16) | (byte(3) << 24);
    char text[16];
    std::snprintf(text, sizeof text, "%08x", n);
    return head + "dword:" + text + "\r\n";
  }
  if (value.Type == reg::kBinary) return HexValue(head + "hex:", value.Data);
  char type[16];
  std::snprintf(type, sizeof type, "%x", value.Type);
  return HexValue(head + "hex(" + type + "):", value.Data);
}

}  // namespace

Result<std::vector<RegFileSection>> ParseRegText(std::string_view bytes, std::string_view fileName, TextCodec& codec) {
  return Parser(fileName, codec).Run(bytes);
}

std::string FormatRegText(const std::vector<RegFileSection>& sections) {
  std::string out = std::string(kAnsiHeader) + "\r\n\r\n";
  for (const RegFileSection& section : sections) {
    out += '[';
    if (section.Remove) out += '-';
    out += RootKeyName(section.Root);
    if (!section.Path.empty()) out += "\\" + section.Path;
    out += "]\r\n";
    for (const RegFileValue& value : section.Values) out += FormatValue(value);
    out += "\r\n";
  }
  return out;
}

std::string_view RootKeyName(RegKey root) {
  for (const RootEntry& entry : kRoots) {
    if (entry.Key == root) return entry.Name;
  }
  return {};
}

std::optional<RegKey> RootKeyFromName(std::string_view name) {
  for (const RootEntry& entry : kRoots) {
    if (UpperAnsi(name) == entry.Name) return entry.Key;
  }
  return std::nullopt;
}

}  // namespace bellnest::sim
