// LeafmarkStandinRun: what a test has the newest runtime object do. Commands, words split by
// single spaces:
//   raise ready-state <n> | raise progress <n> | raise fscommand <command> <args...>
//   raise flashcall <request...> | walk-site | ambients | query-interfaces | read-file <path...>
//   stream-file <path...> | fetch-url <url...>
//   worker <command>: the same on a new thread, which the call waits for.
#pragma once

#include <windows.h>

namespace standin {

// E_FAIL without a live object (the reading commands need none), E_INVALIDARG for an unknown command,
// else what the command gave.
HRESULT RunCommand(const wchar_t* command) noexcept;

}  // namespace standin
