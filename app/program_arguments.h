// The program's command-line arguments, without the program path.
#pragma once

#include <string>
#include <vector>

namespace leafmark {

// 8-bit text in the system code page, split by the system's command-line rules.
std::vector<std::string> ProgramArguments();

}  // namespace leafmark
