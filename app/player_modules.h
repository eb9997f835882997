// The player's modules, in the order they start.
#pragma once

#include <span>

#include "app/modules.h"

namespace leafmark {

std::span<const TModule> PlayerModules();

}  // namespace leafmark
