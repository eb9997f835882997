// What a benchmark prints: "bench: <name> <value> <unit>" lines first, then one "target:" line
// for each target with whether it was met, then the details. Progress goes to stderr as it
// happens, so the figures stay together on stdout.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace leafmark::bench {

// The value at the nearest rank for percent (50: the median) of samples; 0 for none.
double Percentile(std::vector<double> samples, double percent);
double Milliseconds(std::chrono::steady_clock::duration elapsed);

class TFigures {
 public:
  void Figure(const std::string& name, double value, const std::string& unit);
  // The target as a sentence, e.g. "served 1 MB p50 < 1 ms", and whether it was met.
  void Target(const std::string& text, bool met);
  void Detail(const std::string& line);
  // Prints all of it; the exit code the benchmark ends with (0: every figure was measured).
  int Print() const;
  void Failed(const std::string& why);

 private:
  std::vector<std::string> figures_, targets_, details_, failures_;
};

// printf-style text.
std::string Format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
// A line on stderr, at once.
void Progress(const std::string& line);

}  // namespace leafmark::bench
