// TFlashOCXLoader: the module loader that binds the runtime's imports to the player's
// replacements, and the table of those replacements.
#pragma once

#include <windows.h>

#include <span>

#include "runtime_loader/dll_loader.h"

namespace leafmark {

struct TImportReplacement {
  const char* Name;
  FARPROC Replacement;
};

// The replaced functions, in the order their names are compared.
std::span<const TImportReplacement> ImportReplacements();

// The replacement for a function name compared exactly (letter case counts), or nil. An
// ordinal (below 0x10000) is never replaced. The module name is not looked at: a function of
// a replaced name is replaced whichever module it comes from.
FARPROC FindImportReplacement(LPCSTR nameOrOrdinal) noexcept;

class TFlashOCXLoader final : public TDLLLoader {
 public:
  FARPROC GetImportReplacement(LPCSTR moduleName, LPCSTR nameOrOrdinal) override;
};

}  // namespace leafmark
