// The continue-on-error model made explicit. Each procedure owns one ErrorTrap: it takes the
// results of the steps (keeping a value, or leaving the target unchanged and the error
// pending), answers whether an error is pending, clears it, and reports it once through
// LogError. A newer error replaces a pending one, as the run-time's error object does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/error_info.h"

namespace bellnest {

class ErrorTrap {
 public:
  ErrorTrap(std::string_view module, std::string_view procedure) : module_(module), procedure_(procedure) {}

  // A step with a result: on success the value goes to target; on failure target keeps its
  // value and the error becomes pending. Returns whether the step succeeded.
  template <class T, class U>
  bool Take(Result<T>&& result, U& target) {
    if (!result.Ok()) {
      Raise(result.Error());
      return false;
    }
    target = std::move(result).Value();
    return true;
  }
  template <class T, class U>
  bool Take(const Result<T>& result, U& target) {
    if (!result.Ok()) {
      Raise(result.Error());
      return false;
    }
    target = result.Value();
    return true;
  }
  // A step without a result.
  bool Take(const Status& status) {
    if (!status.Ok()) Raise(status.Error());
    return status.Ok();
  }
  // A step whose value is used in place: the value, or nothing with the error pending.
  template <class T>
  std::optional<T> Get(Result<T>&& result) {
    if (!result.Ok()) {
      Raise(result.Error());
      return std::nullopt;
    }
    return std::move(result).Value();
  }

  // The test of a conditional step. A test that fails counts as true, so the steps it guards
  // run; the error stays pending.
  bool Test(const Result<bool>& condition) {
    if (!condition.Ok()) {
      Raise(condition.Error());
      return true;
    }
    return condition.Value();
  }

  // The test of a negated condition: a failing condition also counts as true here, so the
  // steps it guards run.
  bool TestNot(const Result<bool>& condition) {
    if (!condition.Ok()) {
      Raise(condition.Error());
      return true;
    }
    return !condition.Value();
  }

  // The test of a condition on a step's value, such as whether a folder's StoreID is empty:
  // when the step fails, so does the test, which counts as true.
  template <class T, class Pred>
  bool TestThat(const Result<T>& value, Pred&& holds) {
    if (!value.Ok()) return Test(value.Error());
    return holds(value.Value());
  }

  void Raise(ErrorInfo error) { pending_ = std::move(error); }
  bool Pending() const { return pending_.has_value(); }
  // The pending error, or the empty error (number 0) when none is pending.
  ErrorInfo Error() const { return pending_.value_or(ErrorInfo{}); }
  void Clear() { pending_.reset(); }

  // Hands the pending error (number 0 when there is none) to LogError with this trap's module
  // and procedure names and the context text, then clears it.
  void Report(std::string_view context);
  // Reports only when an error is pending; returns whether it did.
  bool ReportIfPending(std::string_view context);

  const std::string& Module() const { return module_; }
  const std::string& Procedure() const { return procedure_; }

 private:
  std::string module_;
  std::string procedure_;
  std::optional<ErrorInfo> pending_;
};

}  // namespace bellnest
