// Run-time conversions of late-bound values.
#include "host/variant.h"

#include <cerrno>
#include <cstdlib>

namespace bellnest {

namespace {
bool EqualsIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

// Numeric text as CLng reads it: optional blanks, sign, digits, optional fraction (rounded half to even).
bool ParseNumber(const std::string& text, double& out) {
  const char* begin = text.c_str();
  while (*begin == ' ' || *begin == '\t') ++begin;
  if (*begin == '\0') return false;
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(begin, &end);
  if (end == begin || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return false;
  out = value;
  return true;
}

Result<int32_t> RoundToLong(double value) {
  if (value < -2147483648.5 || value >= 2147483647.5) return RuntimeError(6);  // Overflow
  double floor = static_cast<double>(static_cast<int64_t>(value < 0 ? value - 1 : value));
  if (floor > value) floor -= 1;
  double frac = value - floor;
  int64_t whole = static_cast<int64_t>(floor);
  if (frac > 0.5 || (frac == 0.5 && (whole % 2 != 0))) ++whole;
  return static_cast<int32_t>(whole);
}
}  // namespace

Result<std::string> ToText(const Variant& v) {
  if (std::holds_alternative<Empty>(v)) return std::string();
  if (const bool* b = std::get_if<bool>(&v)) return std::string(*b ? "True" : "False");
  if (const int32_t* n = std::get_if<int32_t>(&v)) return std::to_string(*n);
  if (const std::string* s = std::get_if<std::string>(&v)) return *s;
  return RuntimeError(err::kTypeMismatch);
}

Result<int32_t> ToLong(const Variant& v) {
  if (std::holds_alternative<Empty>(v)) return 0;
  if (const bool* b = std::get_if<bool>(&v)) return *b ? -1 : 0;
  if (const int32_t* n = std::get_if<int32_t>(&v)) return *n;
  if (const std::string* s = std::get_if<std::string>(&v)) {
    double value = 0;
    if (!ParseNumber(*s, value)) return RuntimeError(err::kTypeMismatch);
    return RoundToLong(value);
  }
  return RuntimeError(err::kTypeMismatch);
}

Result<bool> ToBoolean(const Variant& v) {
  if (std::holds_alternative<Empty>(v)) return false;
  if (const bool* b = std::get_if<bool>(&v)) return *b;
  if (const int32_t* n = std::get_if<int32_t>(&v)) return *n != 0;
  if (const std::string* s = std::get_if<std::string>(&v)) {
    if (EqualsIgnoringCase(*s, "True")) return true;
    if (EqualsIgnoringCase(*s, "False")) return false;
    double value = 0;
    if (ParseNumber(*s, value)) return value != 0;
  }
  return RuntimeError(err::kTypeMismatch);
}

}  // namespace bellnest
