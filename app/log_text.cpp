#include "app/log_text.h"

#include <cstdio>

namespace leafmark {

std::string ExtractFilePath(const std::string& fileName) {
  const std::size_t last = fileName.find_last_of("\\:");
  return last == std::string::npos ? std::string() : fileName.substr(0, last + 1);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string FormatTimestamp(const TLocalTime& time, char timeSeparator) {
  char text[64];
  const int length = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d%c%02d%c%02d", time.Year, time.Month,
                                   time.Day, time.Hour, timeSeparator, time.Minute, timeSeparator, time.Second);
  return length > 0 && static_cast<std::size_t>(length) < sizeof text ? std::string(text, static_cast<std::size_t>(length))
                                                                       : std::string();
}

}  // namespace leafmark
