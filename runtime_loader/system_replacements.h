// The runtime's memory, moniker and look-up functions, replaced.
#pragma once

#include <windows.h>
#include <urlmon.h>

namespace leafmark::replacements {

// A guard-page request on an address becomes a plain commit of the whole region there: the
// runtime's stack probing would otherwise trip over pages it asked to be guarded.
LPVOID WINAPI GuardFreeVirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType,
                                    DWORD protect);
// Code the runtime writes and announces this way becomes executable, also where the system
// enforces data-execution prevention.
BOOL WINAPI ExecutableFlushInstructionCache(HANDLE process, LPCVOID baseAddress, SIZE_T size);
// Every URL the runtime opens through a moniker reaches the content manager.
HRESULT WINAPI ContentCreateURLMoniker(LPMONIKER context, LPCWSTR url, LPMONIKER* moniker);
// A function the runtime looks up at run time by one of the replaced names gets the
// replacement too; look-ups by ordinal always go to the system.
FARPROC WINAPI TableGetProcAddress(HMODULE module, LPCSTR nameOrOrdinal);

}  // namespace leafmark::replacements
