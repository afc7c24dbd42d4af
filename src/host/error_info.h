// The host error type and the value-or-error result every fallible call returns.
// Mirrors the run-time's error object (number, description, source), so that a log entry
// reads the same whichever world raised it and a support engineer can look the number up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace bellnest {

struct ErrorInfo {
  int32_t Number = 0;
  std::string Description;
  std::string Source;

  friend bool operator==(const ErrorInfo&, const ErrorInfo&) = default;
};

// Source of the run-time errors the library raises itself.
inline constexpr const char* kProjectName = "PPBellnest";

// Run-time and host error numbers, as the logs show them.
namespace err {
inline constexpr int32_t kInvalidProcedureCall = 5;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kCantCreateObject = 429;
inline constexpr int32_t kObjectDoesNotSupport = 438;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kDuplicateKey = 457;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kPathFileAccess = 75;
inline constexpr int32_t kPathNotFound = 76;
inline constexpr int32_t kTreeIndexOutOfBounds = 35600;
inline constexpr int32_t kTreeKeyNotUnique = 35602;
inline constexpr int32_t kTreeElementNotFound = 35601;
// HRESULTs, as signed 32-bit numbers.
inline constexpr int32_t kMapiNotFound = static_cast<int32_t>(0x8004010F);
inline constexpr int32_t kMapiNetworkError = static_cast<int32_t>(0x80040115);
inline constexpr int32_t kMapiNoSupport = static_cast<int32_t>(0x80040102);
inline constexpr int32_t kMapiCallFailed = static_cast<int32_t>(0x80004005);
inline constexpr int32_t kClassNotRegistered = static_cast<int32_t>(0x80040154);
}  // namespace err

// A run-time error of the library itself, with the run-time's own description.
ErrorInfo RuntimeError(int32_t number);
// A failure reported by a host object (COM HRESULT or a host-specific number).
ErrorInfo HostError(int32_t number, std::string description, std::string source);

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : data_(std::in_place_index<0>, std::move(value)) {}          // NOLINT: implicit by design
  Result(ErrorInfo error) : data_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  bool Ok() const { return data_.index() == 0; }
  explicit operator bool() const { return Ok(); }
  const T& Value() const& { return std::get<0>(data_); }
  T& Value() & { return std::get<0>(data_); }
  T&& Value() && { return std::get<0>(std::move(data_)); }
  const ErrorInfo& Error() const { return std::get<1>(data_); }
  T ValueOr(T fallback) const { return Ok() ? Value() : std::move(fallback); }

 private:
  std::variant<T, ErrorInfo> data_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(ErrorInfo error) : error_(std::move(error)) {}  // NOLINT: implicit by design

  bool Ok() const { return !error_.has_value(); }
  explicit operator bool() const { return Ok(); }
  const ErrorInfo& Error() const { return *error_; }

 private:
  std::optional<ErrorInfo> error_;
};

using Status = Result<void>;

}  // namespace bellnest
