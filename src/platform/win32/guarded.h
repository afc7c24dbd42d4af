// The one guard at every edge where Windows or a COM client calls our code: COM methods, window
// and dialog procedures, callbacks, destructors that run the page's code. A C++ exception never
// unwinds into the caller's frames, which know nothing of it (through user32 a 32-bit process
// ends); it goes to the error log and the caller gets a plain answer.
#pragma once

#include <exception>
#include <string>
#include <type_traits>
#include <utility>

#include "platform/win32/windows_api.h"
#include "support/error_log.h"

namespace bellnest::win32 {

// Logs an exception that reached an edge (through the error log, never to the caller).
inline void ReportEscapedException(const char* procedure, const char* what) noexcept {
  try {
    LogError(ErrorInfo{static_cast<int32_t>(E_UNEXPECTED), what, kProjectName}, kProjectName, procedure,
             std::string("Error in ") + procedure);
  } catch (...) {
    // Nothing is left to report with; the caller still gets its plain answer.
  }
}

// Runs body; after an exception, logged, the caller gets onException (a window procedure's
// "not handled", a callback's neutral answer).
template <class Value, class Body>
Value Guarded(const char* procedure, Value onException, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (const std::exception& e) {
    ReportEscapedException(procedure, e.what());
  } catch (...) {
    ReportEscapedException(procedure, "unknown exception");
  }
  return onException;
}

// A COM method, or a body without a result: E_UNEXPECTED after an exception.
template <class Body>
HRESULT Guarded(const char* procedure, Body&& body) noexcept {
  return Guarded(procedure, HRESULT{E_UNEXPECTED}, [&]() -> HRESULT {
    if constexpr (std::is_void_v<std::invoke_result_t<Body&>>) {
      body();
      return S_OK;
    } else {
      return body();
    }
  });
}

}  // namespace bellnest::win32
