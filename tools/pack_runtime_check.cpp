// The check that a runtime stored in a book can be loaded by that book's player.
#include <stdexcept>

#include "runtime_loader/pe_headers.h"
#include "runtime_loader/pe_image_summary.h"
#include "tools/pack_commands.h"

namespace leafmark::pack {

void CheckRuntimeImage(const std::string& runtimeFile, const std::string& playerFile) {
  // Only the player's machine matters; it need not be loadable from memory itself.
  pe::TPeHeaders player;
  try {
    player = pe::ReadModuleFileHeaders(playerFile);
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(std::string("the player's machine cannot be told: ") + error.what());
  }
  const std::string playerMachine = pe::MachineName(player.Machine);
  pe::TImageSummary runtime;
  try {
    runtime = pe::InspectModuleFile(runtimeFile);
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(std::string(error.what()) + "; the player \"" + playerFile +
                             "\" is " + playerMachine);
  }
  const std::string runtimeMachine = pe::MachineName(runtime.Machine);
  if (!runtime.IsDll) {
    throw std::runtime_error("the runtime \"" + runtimeFile + "\" is an " + runtimeMachine +
                             " program, not a DLL; the player \"" + playerFile + "\" is " +
                             playerMachine);
  }
  if (runtime.Machine != player.Machine || runtime.Is64 != player.Is64) {
    throw std::runtime_error("the runtime \"" + runtimeFile + "\" is " + runtimeMachine +
                             " but the player \"" + playerFile + "\" is " + playerMachine +
                             ": the player cannot load it");
  }
}

}  // namespace leafmark::pack
