// The content subsystem's debug-trace sink: takes trace lines and drops them.
#pragma once

namespace leafmark::content {

inline void DebugTrace(const char* /*line*/) noexcept {}

}  // namespace leafmark::content
