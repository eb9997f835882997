// A program the benchmark starts, ended (if it still runs) and waited for when it goes.
#pragma once

#include <windows.h>

#include <string>

namespace leafmark::bench {

class TChildProcess {
 public:
  // Starts exe with the arguments (already quoted as needed) in directory, inheriting this
  // process's environment. Throws std::runtime_error when it cannot start.
  TChildProcess(const std::wstring& exe, const std::wstring& arguments, const std::wstring& directory);
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  // True when the process ended within milliseconds.
  bool WaitForExit(DWORD milliseconds) const;

 private:
  PROCESS_INFORMATION process_{};
};

}  // namespace leafmark::bench
