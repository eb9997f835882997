// TLog4DP: the diagnostic log, off unless the command line asks for it.
#pragma once

#include <string>

namespace leafmark {

// Process-wide; set from the command line before the first line is logged, and only read
// after that (lines may come from any thread).
inline bool LogEnabled = false;
inline std::string LogFileName;

class TLog4DP {
 public:
  // Appends "timestamp: message" to the log file. Every failure is swallowed: a line that
  // cannot be written is lost.
  static void Log(const std::string& message) noexcept;
};

// The running executable's directory, with a trailing "\", followed by name.
std::string ExeDirPath(const std::string& name);

// The log file a "-F" name means: a bare name lies beside the executable; a name with a
// directory, or no name, stays as it is.
std::string ResolveLogFileName(const std::string& name);

// The log module: off, and no file name.
void InitializeLogModule();

}  // namespace leafmark
