#include "app/program_arguments.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "ui/system_text.h"

namespace leafmark {

namespace {
struct TLocalFree {
  void operator()(LPWSTR* block) const noexcept { ::LocalFree(block); }
};
}  // namespace

std::vector<std::string> ProgramArguments() {
  int count = 0;
  const std::unique_ptr<LPWSTR, TLocalFree> list(::CommandLineToArgvW(::GetCommandLineW(), &count));
  std::vector<std::string> arguments;
  if (!list) return arguments;
  for (int k = 1; k < count; ++k) arguments.push_back(ui::WideToSystem(list.get()[k]));
  return arguments;
}

}  // namespace leafmark
