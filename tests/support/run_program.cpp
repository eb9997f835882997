// Command runner for tests that drive our tools as programs.
#include "tests/support/run_program.h"

#include <sys/wait.h>

#include <cstdio>
#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace leafmark::test {

TRun RunProgram(const std::string& commandLine) {
  const TTempDir tmp;
  const std::string errFile = tmp.File("stderr.txt");
  TRun run;
  FILE* pipe = ::popen((commandLine + " 2>" + errFile).c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + commandLine);
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.Out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const auto err = ReadFileBytes(errFile);
  run.Err.assign(err.begin(), err.end());
  return run;
}

}  // namespace leafmark::test
