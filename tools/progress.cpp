// Reports every tenth of a large job, so a packer run on a big book visibly moves.
#include "tools/progress.h"

#include <iostream>

namespace leafmark::pack {

namespace {
constexpr std::int64_t kWorthShowing = 32 << 20;
}

TProgress::TProgress(std::string what, std::int64_t total)
    : what_(std::move(what)), total_(total), enabled_(total >= kWorthShowing) {}

void TProgress::Advance(std::int64_t bytes) {
  done_ += bytes;
  if (!enabled_ || total_ <= 0) return;
  const int tenths = static_cast<int>(done_ * 10 / total_);
  if (tenths > shownTenths_ && tenths < 10) {
    shownTenths_ = tenths;
    std::cerr << what_ << ": " << tenths * 10 << "% (" << (done_ >> 20) << " of " << (total_ >> 20) << " MiB)\n";
  }
}

void TProgress::Done() {
  if (enabled_) std::cerr << what_ << ": 100%\n";
}

}  // namespace leafmark::pack
