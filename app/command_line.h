// The command-line rules: the log switches and the screen saver's preview argument.
#pragma once

#include <string>
#include <vector>

namespace leafmark {

struct TLogSwitches {
  bool Enabled = false;
  std::string FileName;
};

// Every argument is tested on its first two characters, in any letter case: "-D" turns the
// log on (whatever follows), "-F" names the file (the rest of the argument; the last wins).
TLogSwitches ParseLogSwitches(const std::vector<std::string>& arguments);

// True when the argument, in lower case and without surrounding blanks and control
// characters, is a non-empty piece of "/p,-p".
bool IsPreviewArgument(const std::string& argument);

}  // namespace leafmark
