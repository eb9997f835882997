// Platform facts and name comparison on Windows (8-bit names in the system code page).
#include <windows.h>

#include "archive/extent_index.h"
#include "archive/platform_files.h"

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

bool SameEntryName(std::string_view a, std::string_view b) {
  if (a.size() > 0x7FFFFFFF || b.size() > 0x7FFFFFFF) return false;
  return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace leafmark
