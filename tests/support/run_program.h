// Runs a command line through the shell and collects what it says (POSIX hosts).
#pragma once

#include <string>

namespace leafmark::test {

struct TRun {
  int ExitCode = -1;
  std::string Out;  // standard output
  std::string Err;  // standard error
  std::string Both() const { return Out + Err; }
};

TRun RunProgram(const std::string& commandLine);

}  // namespace leafmark::test
