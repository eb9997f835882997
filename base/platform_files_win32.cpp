// The running program's path and file existence on Windows (8-bit names in the system code
// page).
#include <windows.h>

#include "base/platform_files.h"

namespace leafmark {

std::string OwnExecutablePath() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

bool FileExists(const std::string& name) {
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace leafmark
