// An export of a stand-in runtime placed in memory, as the function type the test names.
#pragma once

#include <stdexcept>
#include <string>

#include "runtime_loader/dll_loader.h"

namespace leafmark::test {

// Function pointers convert through void (*)() without a cast-function-type warning.
template <typename T>
T StandinExport(const TDLLLoader& loader, const char* name) {
  const FARPROC address = loader.FindExport(name);
  if (!address) throw std::runtime_error(std::string("the stand-in exports no ") + name);
  return reinterpret_cast<T>(reinterpret_cast<void (*)()>(address));
}

}  // namespace leafmark::test
