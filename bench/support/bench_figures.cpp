#include "bench/support/bench_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace leafmark::bench {

double Percentile(std::vector<double> samples, double percent) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const double rank = std::ceil(percent / 100.0 * static_cast<double>(samples.size()));
  const std::size_t index = static_cast<std::size_t>(std::clamp(rank, 1.0, static_cast<double>(samples.size()))) - 1;
  return samples[index];
}

double Milliseconds(std::chrono::steady_clock::duration elapsed) {
  return std::chrono::duration<double, std::milli>(elapsed).count();
}

std::string Format(const char* format, ...) {
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return text;
}

void Progress(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

void TFigures::Figure(const std::string& name, double value, const std::string& unit) {
  figures_.push_back(Format("bench: %s %.3f %s", name.c_str(), value, unit.c_str()));
}

void TFigures::Target(const std::string& text, bool met) {
  targets_.push_back("target: " + text + (met ? ": met" : ": NOT met"));
}

void TFigures::Detail(const std::string& line) { details_.push_back(line); }

void TFigures::Failed(const std::string& why) { failures_.push_back("FAILED: " + why); }

int TFigures::Print() const {
  for (const auto* lines : {&figures_, &targets_, &failures_, &details_}) {
    for (const std::string& line : *lines) std::printf("%s\n", line.c_str());
  }
  std::fflush(stdout);
  return failures_.empty() ? 0 : 1;
}

}  // namespace leafmark::bench
