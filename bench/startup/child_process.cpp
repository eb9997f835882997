#include "bench/startup/child_process.h"

#include <stdexcept>
#include <thread>

namespace leafmark::bench {

TChildProcess::TChildProcess(const std::wstring& exe, const std::wstring& arguments, const std::wstring& directory) {
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // Wine now and then refuses a start with ERROR_INTERNAL_ERROR; a second try succeeds.
  for (int attempt = 1;; ++attempt) {
    if (::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                         &startup, &process_)) {
      return;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_INTERNAL_ERROR || attempt == 3) {
      throw std::runtime_error("cannot start a program: error " + std::to_string(error));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

TChildProcess::~TChildProcess() {
  if (!WaitForExit(0)) {
    ::TerminateProcess(process_.hProcess, 99);
    ::WaitForSingleObject(process_.hProcess, 10000);
  }
  ::CloseHandle(process_.hThread);
  ::CloseHandle(process_.hProcess);
}

bool TChildProcess::WaitForExit(DWORD milliseconds) const {
  return ::WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

}  // namespace leafmark::bench
