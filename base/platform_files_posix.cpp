// The running program's path and file existence on POSIX hosts.
#include <sys/stat.h>
#include <unistd.h>

#include "base/platform_files.h"

namespace leafmark {

std::string OwnExecutablePath() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

bool FileExists(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace leafmark
