#include "app/command_line.h"

#include <string_view>

namespace leafmark {

namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

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
  std::size_t first = 0;
  std::size_t last = argument.size();
  while (first < last && IsBlankOrControl(argument[first])) ++first;
  while (last > first && IsBlankOrControl(argument[last - 1])) --last;
  std::string trimmed = argument.substr(first, last - first);
  for (char& c : trimmed) c = AsciiLower(c);
  return !trimmed.empty() && std::string_view("/p,-p").find(trimmed) != std::string_view::npos;
}

}  // namespace leafmark
