// TUniqueHandle: owns a kernel handle and closes it, keeping the thread's last error.
#pragma once

#include <windows.h>

#include <utility>

namespace leafmark::content {

class TUniqueHandle {
 public:
  TUniqueHandle() = default;
  explicit TUniqueHandle(HANDLE handle) noexcept : handle_(handle) {}
  TUniqueHandle(TUniqueHandle&& other) noexcept : handle_(other.Release()) {}
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ~TUniqueHandle() { Reset(); }

  HANDLE Get() const noexcept { return handle_; }
  HANDLE Release() noexcept { return std::exchange(handle_, nullptr); }
  void Reset(HANDLE handle = nullptr) noexcept {
    const HANDLE old = std::exchange(handle_, handle);
    if (old && old != INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      CloseHandle(old);
      SetLastError(error);
    }
  }
  explicit operator bool() const noexcept {
    return handle_ && handle_ != INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace leafmark::content
