// Calling a placed module's entry point so that a failure escaping it ends the call, not the
// process.
#pragma once

#include <windows.h>

namespace leafmark {

using TEntryPoint = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

// Raised in place of the C runtime's abort when a module calls it while its entry point runs.
constexpr DWORD kModuleAbortCode = 0xE04C4D41;

// Calls entry(instance, reason, nullptr). Returns 0 when the entry point returned (its answer
// in returned), or the code of the system exception that escaped it: the module's own frames
// have been unwound then, as the system loader does. System exceptions are also how modules
// built with Microsoft's compiler throw their C++ exceptions. On x64 a C++ exception of this
// compiler's runtime passes on to the caller. On x86 none can: a module unwinds with its own
// copy of the DWARF unwinder, which knows no frame outside the module, so an exception nothing
// inside it catches ends in the module's abort, which the replacement below turns into
// kModuleAbortCode.
DWORD CallModuleEntry(TEntryPoint entry, HINSTANCE instance, DWORD reason, BOOL& returned);

// The address to bind into a module's import slot for the C runtime's abort, or nil for any
// other import. Outside an entry point it ends the process as abort does.
FARPROC ModuleAbortReplacement(LPCSTR moduleName, LPCSTR nameOrOrdinal) noexcept;

}  // namespace leafmark
