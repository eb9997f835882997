// The test's directory comes from its own module file name.
#include "tests/support/bin_file.h"

#include <windows.h>

namespace leafmark::test {

std::string BinFile(const std::string& name) {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string own = path;
  return own.substr(0, own.find_last_of('\\') + 1) + name;
}

}  // namespace leafmark::test
