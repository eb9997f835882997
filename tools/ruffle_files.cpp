// Finding Ruffle's self-hosted files: its loader script, the scripts and WebAssembly modules it
// loads (named by content hash, so taken by kind), and its licence files.
#include "tools/ruffle_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace leafmark::pack {

namespace fs = std::filesystem;

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsNeededFile(const std::string& name) {
  return (EndsWith(name, ".js") && !EndsWith(name, ".map")) || EndsWith(name, ".wasm") ||
         name.rfind("LICENSE", 0) == 0;
}

std::string PackageVersion(const fs::path& directory) {
  std::ifstream file(directory / "package.json");
  std::stringstream text;
  text << file.rdbuf();
  const std::string json = text.str();
  const std::size_t key = json.find("\"version\"");
  if (key == std::string::npos) return {};
  const std::size_t open = json.find('"', json.find(':', key) + 1);
  const std::size_t close = open == std::string::npos ? open : json.find('"', open + 1);
  if (close == std::string::npos) return {};
  return json.substr(open + 1, close - open - 1);
}

}  // namespace

std::string BuiltInRuffleDirectory() {
#ifdef LEAFMARK_RUFFLE_BUILT_IN_DIR
  return LEAFMARK_RUFFLE_BUILT_IN_DIR;
#else
  return "ruffle";
#endif
}

TRuffleCopy FindRuffle(const std::optional<std::string>& option) {
  const char* environment = std::getenv(kRuffleEnvironmentVariable);
  std::string where;
  TRuffleCopy copy;
  if (option) {
    copy.Directory = *option, where = "given by --ruffle";
  } else if (environment != nullptr && *environment != '\0') {
    copy.Directory = environment, where = std::string("given by ") + kRuffleEnvironmentVariable;
  } else {
    copy.Directory = BuiltInRuffleDirectory(), where = "where scripts/setup installs it";
  }
  const std::string howToGet =
      "; run scripts/setup, which installs the pinned version of the npm package @ruffle-rs/ruffle, "
      "or name a folder holding its self-hosted files with --ruffle";

  std::error_code error;
  if (!fs::is_directory(copy.Directory, error)) {
    throw std::runtime_error("no Ruffle in \"" + copy.Directory + "\" (" + where + "): not a folder" + howToGet);
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(copy.Directory, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && IsNeededFile(name)) copy.Files.push_back(name);
  }
  std::sort(copy.Files.begin(), copy.Files.end());
  const auto has = [&](auto test) { return std::any_of(copy.Files.begin(), copy.Files.end(), test); };
  if (!has([](const std::string& n) { return n == "ruffle.js"; }) ||
      !has([](const std::string& n) { return EndsWith(n, ".wasm"); }) ||
      !has([](const std::string& n) { return n.rfind("LICENSE", 0) == 0; })) {
    throw std::runtime_error("no Ruffle in \"" + copy.Directory + "\" (" + where +
                             "): it needs ruffle.js, its .wasm files and its licence files" + howToGet);
  }
  copy.Version = PackageVersion(copy.Directory);
  return copy;
}

}  // namespace leafmark::pack
