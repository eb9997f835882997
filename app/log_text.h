// The text rules of the diagnostic log: path parts, line splitting and the timestamp.
#pragma once

#include <string>
#include <vector>

namespace leafmark {

// Everything up to and including the last "\" or ":"; empty when there is neither.
std::string ExtractFilePath(const std::string& fileName);

// Lines ended by CR LF, LF or CR; text after the last break is a line too.
std::vector<std::string> SplitLines(const std::string& text);
// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

struct TLocalTime {
  int Year = 0;
  int Month = 0;
  int Day = 0;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
};

// "yyyy-mm-dd hh:mm:ss" with timeSeparator between hours, minutes and seconds.
std::string FormatTimestamp(const TLocalTime& time, char timeSeparator);

}  // namespace leafmark
