// The host control's OLE failures: EOleError with a plain message, and EOleSysError, which
// also carries the failing HRESULT.
#pragma once

#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace leafmark {

class EOleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EOleSysError : public EOleError {
 public:
  EOleSysError(HRESULT errorCode, const std::string& message)
      : EOleError(message), errorCode_(errorCode) {}

  HRESULT ErrorCode() const noexcept { return errorCode_; }

 private:
  HRESULT errorCode_;
};

// Raises EOleSysError for a failing result; what names the call that failed.
inline void OleCheck(HRESULT result, const char* what) {
  if (SUCCEEDED(result)) return;
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
  throw EOleSysError(result, std::string(what) + " failed (" + code + ")");
}

}  // namespace leafmark
