#include "app/program_arguments.h"

#include <windows.h>
#include <shellapi.h>

#include "win/system_text.h"
#include "win/unique_any.h"

namespace leafmark {

std::vector<std::string> ProgramArguments() {
  int count = 0;
  const win::TUniqueLocalMemory<LPWSTR> list(::CommandLineToArgvW(::GetCommandLineW(), &count));
  std::vector<std::string> arguments;
  if (!list) return arguments;
  for (int k = 1; k < count; ++k) arguments.push_back(win::WideToSystem(list.Get()[k]));
  return arguments;
}

}  // namespace leafmark
