// Progress lines on standard error for long work; silent for small jobs.
#pragma once

#include <cstdint>
#include <string>

namespace leafmark::pack {

class TProgress {
 public:
  TProgress(std::string what, std::int64_t total);
  void Advance(std::int64_t bytes);
  void Done();

 private:
  std::string what_;
  std::int64_t total_;
  std::int64_t done_ = 0;
  int shownTenths_ = 0;
  bool enabled_;
};

}  // namespace leafmark::pack
