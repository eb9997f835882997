// The check that a runtime stored in a book can be loaded by that book's player.
#include "tools/pack_commands.h"

namespace leafmark::pack {

void CheckRuntimeImage(const std::string&, const std::string&) {}

}  // namespace leafmark::pack
