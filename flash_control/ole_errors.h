// The host control's errors: a failing OLE call (with its result) and a plain OLE failure.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace leafmark {

class EOleError : public std::runtime_error {
 public:
  explicit EOleError(const std::string& message) : std::runtime_error(message) {}
};

class EOleSysError : public EOleError {
 public:
  EOleSysError(HRESULT errorCode, const std::string& message)
      : EOleError(message), errorCode_(errorCode) {}
  HRESULT ErrorCode() const noexcept { return errorCode_; }

 private:
  HRESULT errorCode_;
};

}  // namespace leafmark
