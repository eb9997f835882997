// What a framed window, a maximized one and a full-screen one look like from outside.
#pragma once

#include <windows.h>

#include "tests/app/player_process.h"

namespace leafmark::test {

inline const RECT kDesignedBounds = Bounds(399, 262, 1020, 575);

// Framed (caption, sizing border, system menu), neither maximized nor minimized, at bounds.
void ExpectWindowed(const TWindowFacts& facts, const RECT& bounds);
// Framed and maximized.
void ExpectMaximized(const TWindowFacts& facts);
// No caption or frame, maximized, covering the primary screen.
void ExpectFullScreen(const TWindowFacts& facts);

}  // namespace leafmark::test
