// Replacing files atomically on POSIX hosts and on Windows.
#include "tools/file_replace.h"

#include <cstdio>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace leafmark::pack {

void ReplaceFileWith(const std::string& from, const std::string& to) {
#ifdef _WIN32
  if (!::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    throw std::runtime_error("cannot write \"" + to + "\" (Windows error " + std::to_string(::GetLastError()) + ")");
  }
#else
  if (std::rename(from.c_str(), to.c_str()) != 0) throw std::runtime_error("cannot write \"" + to + "\"");
#endif
}

void RemoveFileQuietly(const std::string& name) { std::remove(name.c_str()); }

std::string TemporaryNameBeside(const std::string& target) {
#ifdef _WIN32
  const unsigned long id = ::GetCurrentProcessId();
#else
  const unsigned long id = static_cast<unsigned long>(::getpid());
#endif
  return target + ".partial-" + std::to_string(id);
}

}  // namespace leafmark::pack
