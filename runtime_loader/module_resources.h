// Resource and version look-ups over a module placed in this process, by the system loader
// or by TDLLLoader (whose module handle is its base address).
#pragma once

#include <windows.h>

#include <cstdint>

namespace leafmark {

// nameOrId: an id (IS_INTRESOURCE) or an 8-bit name in the system code page, compared exactly.
// Only the language id (low 16 bits) of language takes part. Data points into the module.
// Absence, a nil module and a malformed resource table all answer false.
bool FindModuleResourceLang(HMODULE module, WORD typeId, LPCSTR nameOrId, LCID language,
                            DWORD& size, const void*& data) noexcept;

// As above, trying the thread locale, the system default, the user default, neutral (0) and
// U.S. English (1033) in turn.
bool FindModuleResource(HMODULE module, WORD typeId, LPCSTR nameOrId, DWORD& size,
                        const void*& data) noexcept;

// The packed product version of the module's version resource (id 1), or 0.
std::uint32_t ReadModuleVersion(HMODULE module) noexcept;

}  // namespace leafmark
