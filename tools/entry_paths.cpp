// The one rule extract and export-web share for names that must stay below their folder.
#include "tools/entry_paths.h"

namespace leafmark::pack {

std::string UnsafeEntryPathReason(const std::string& name) {
  if (name.empty()) return "empty name";
  if (name[0] == '/' || name[0] == '\\') return "absolute path";
  if (name.size() >= 2 && name[1] == ':') return "drive letter";
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part == "..") return "\"..\" leads outside the target directory";
    if (part.find(':') != std::string::npos) return "\":\" is not allowed in a path part";
    start = end + 1;
  }
  return {};
}

}  // namespace leafmark::pack
