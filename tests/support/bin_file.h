// Files that the build puts beside the test executable.
#pragma once

#include <string>

namespace leafmark::test {

// name (which may hold a relative directory) in the running test's own directory.
std::string BinFile(const std::string& name);

}  // namespace leafmark::test
