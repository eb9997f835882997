// The book's settings ("ExeConfig.xml") read portably, by the player's rules: the caption and
// the window mode with its size, for tools that present a book elsewhere than in the player.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/xml_text.h"

namespace leafmark::pack {

struct TExeConfigValues {
  std::string CaptionUtf8;
  std::int32_t WindowOpenMode = 2;
  std::int32_t WindowOpenWidth = 800;
  std::int32_t WindowOpenHeight = 600;
};

// The values the player would apply. As in the player, the root must be "ExeConfig" and hold
// "ExeCaption", "WindowOpenMode", "WindowOpenWidth" and "WindowOpenHeight" (exact names, the
// first of each); a number that is not a decimal integer takes its default (2, 800, 600).
// Throws EXmlError, naming the fault, when the player would apply nothing.
TExeConfigValues ReadExeConfig(const std::vector<std::uint8_t>& bytes);

}  // namespace leafmark::pack
