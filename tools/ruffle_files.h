// The copy of Ruffle (npm package "@ruffle-rs/ruffle", self-hosted build) that exported books
// play with: where the packer finds it and which of its files a web site needs.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace leafmark::pack {

// Names the environment variable that points the packer at another copy.
inline constexpr const char* kRuffleEnvironmentVariable = "LEAFMARK_RUFFLE_DIR";

// The folder the build installs Ruffle into (scripts/setup), set when the packer is built.
std::string BuiltInRuffleDirectory();

struct TRuffleCopy {
  std::string Directory;
  std::string Version;              // from its package.json; empty when it names none
  std::vector<std::string> Files;   // names in Directory: scripts, WebAssembly, licences
};

// The copy given by option, else by the environment variable, else the built-in folder.
// Throws std::runtime_error naming the folder it looked in and how to get Ruffle when that
// folder holds no self-hosted Ruffle (ruffle.js, a .wasm file and a licence).
TRuffleCopy FindRuffle(const std::optional<std::string>& option);

}  // namespace leafmark::pack
