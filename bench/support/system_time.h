// The system time in microseconds since 1970 UTC, the clock the stand-in's trace and the
// minimal window program write: times taken in different processes compare directly.
#pragma once

#include <cstdint>

namespace leafmark::bench {

std::int64_t SystemMicroseconds() noexcept;

}  // namespace leafmark::bench
