// Colours as the framework stores them: an RGB value, or a system colour by its index.
#pragma once

#include <cstdint>

namespace leafmark::ui {

using TColor = std::uint32_t;

inline constexpr TColor kSystemColorFlag = 0x80000000;
inline constexpr TColor clBtnFace = kSystemColorFlag | 15;     // COLOR_BTNFACE
inline constexpr TColor clWindowText = kSystemColorFlag | 8;   // COLOR_WINDOWTEXT

// The RGB value (COLORREF layout) a colour paints with today.
std::uint32_t ColorToRGB(TColor color);

}  // namespace leafmark::ui
