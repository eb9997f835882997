#include "app/command_line.h"

#include <string_view>

#include "base/text_trim.h"

namespace leafmark {

namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

TLogSwitches ParseLogSwitches(const std::vector<std::string>& arguments) {
  TLogSwitches switches;
  for (const std::string& argument : arguments) {
    std::string head = argument.substr(0, 2);
    for (char& c : head) c = AsciiUpper(c);
    if (head == "-D") switches.Enabled = true;
    if (head == "-F") switches.FileName = argument.substr(2);
  }
  return switches;
}

bool IsPreviewArgument(const std::string& argument) {
  std::string trimmed(TrimBlanksAndControls(argument));
  for (char& c : trimmed) c = AsciiLower(c);
  return !trimmed.empty() && std::string_view("/p,-p").find(trimmed) != std::string_view::npos;
}

}  // namespace leafmark
