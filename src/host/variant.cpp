// Run-time conversions of late-bound values.
#include "host/variant.h"

#include <cerrno>
#include <cstdlib>

namespace bellnest {

namespace {
constexpr int32_t kOverflow = 6;

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Numeric text as CLng reads it: optional blanks, sign, decimal digits with an optional
// fraction and exponent, optional blanks. The C library's extras (hexadecimal, "inf", "nan")
// are not numbers to the run-time. Too large a number is an overflow (6).
Result<double> ParseNumber(const std::string& text) {
  const size_t n = text.size();
  size_t i = 0;
  auto blank = [&text, n](size_t k) { return k < n && (text[k] == ' ' || text[k] == '\t'); };
  while (blank(i)) ++i;
  const size_t begin = i;
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  for (; i < n && IsDigit(text[i]); ++i) ++digits;
  if (i < n && text[i] == '.') {
    for (++i; i < n && IsDigit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return RuntimeError(err::kTypeMismatch);
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
    const size_t exponentStart = j;
    while (j < n && IsDigit(text[j])) ++j;
    if (j == exponentStart) return RuntimeError(err::kTypeMismatch);
    i = j;
  }
  const size_t end = i;
  while (blank(i)) ++i;
  if (i != n) return RuntimeError(err::kTypeMismatch);
  errno = 0;
  const double value = std::strtod(text.substr(begin, end - begin).c_str(), nullptr);
  if (errno == ERANGE && (value > 1 || value < -1)) return RuntimeError(kOverflow);
  return value;
}

Result<int32_t> RoundToLong(double value) {
  if (value < -2147483648.5 || value >= 2147483647.5) return RuntimeError(kOverflow);
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
    Result<double> number = ParseNumber(*s);
    if (!number.Ok()) return number.Error();
    return RoundToLong(number.Value());
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
    Result<double> number = ParseNumber(*s);
    if (!number.Ok()) return number.Error();
    return number.Value() != 0;
  }
  return RuntimeError(err::kTypeMismatch);
}

}  // namespace bellnest
