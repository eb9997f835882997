// A guarded call of a module's entry point: a frame of ours with a system exception handler
// sits between the module and the loader, as the system loader's does.
#include "runtime_loader/module_entry.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace leafmark {
namespace {

// Entry points running on this thread; while any is, a module's abort is a failure of the call.
thread_local int runningEntryPoints = 0;

struct TRunningEntryPoint {
  TRunningEntryPoint() { ++runningEntryPoints; }
  ~TRunningEntryPoint() { --runningEntryPoints; }
  TRunningEntryPoint(const TRunningEntryPoint&) = delete;
  TRunningEntryPoint& operator=(const TRunningEntryPoint&) = delete;
};

void __cdecl AbortOfModule() {
  if (runningEntryPoints > 0) RaiseException(kModuleAbortCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  std::abort();
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && _strnicmp(text.data(), prefix.data(), prefix.size()) == 0;
}

bool IsCRuntime(std::string_view module) {
  const std::size_t slash = module.find_last_of("\\/");
  if (slash != std::string_view::npos) module.remove_prefix(slash + 1);
  return StartsWithNoCase(module, "msvcr") || StartsWithNoCase(module, "ucrtbase") ||
         StartsWithNoCase(module, "api-ms-win-crt-runtime-");
}

}  // namespace

FARPROC ModuleAbortReplacement(LPCSTR moduleName, LPCSTR nameOrOrdinal) noexcept {
  if (moduleName == nullptr || IS_INTRESOURCE(nameOrOrdinal)) return nullptr;
  if (std::strcmp(nameOrOrdinal, "abort") != 0 || !IsCRuntime(moduleName)) return nullptr;
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&AbortOfModule));
}

#ifdef _WIN64

namespace {

// The code of the exception the innermost guarded call on this thread stopped.
thread_local DWORD* stoppedCode = nullptr;

// This compiler's own C++ exceptions (its throw, unwind and forced unwind): they go on to the
// caller's catch, which x64 unwinding reaches through any module.
bool IsCompilerException(DWORD code) { return (code & 0x00FFFFFF) == 0x00474343; }

}  // namespace

// The language handler of CallGuarded's frame (named in its unwind data, hence unmangled).
// Unwinds the module's frames and resumes CallGuarded just after its call, as if the entry
// point had returned FALSE.
extern "C" [[gnu::used]] EXCEPTION_DISPOSITION LeafmarkStopAtEntryGuard(EXCEPTION_RECORD* record, void* frame,
                                                                        CONTEXT* context,
                                                                        DISPATCHER_CONTEXT* dispatch) {
  if ((record->ExceptionFlags & EXCEPTION_UNWIND) != 0 || IsCompilerException(record->ExceptionCode)) {
    return ExceptionContinueSearch;
  }
  *stoppedCode = record->ExceptionCode;
  RtlUnwindEx(frame, reinterpret_cast<void*>(dispatch->ControlPc), record, nullptr, context,
              dispatch->HistoryTable);
  return ExceptionContinueSearch;  // not reached
}

namespace {

[[gnu::noinline]] BOOL CallGuarded(TEntryPoint entry, HINSTANCE instance, DWORD reason) {
  asm volatile(".seh_handler LeafmarkStopAtEntryGuard, @except");
  const BOOL result = entry(instance, reason, nullptr);
  // The return address must not start the epilogue: the unwinder takes a frame there as
  // already leaving and would not ask its handler.
  asm volatile("nop");
  return result;
}

}  // namespace

DWORD CallModuleEntry(TEntryPoint entry, HINSTANCE instance, DWORD reason, BOOL& returned) {
  DWORD code = 0;
  DWORD* const outer = stoppedCode;
  stoppedCode = &code;
  struct TRestore {
    DWORD* Outer;
    ~TRestore() { stoppedCode = Outer; }
  } restore{outer};
  const TRunningEntryPoint running;
  const BOOL result = CallGuarded(entry, instance, reason);
  if (code == 0) returned = result;
  return code;
}

#else

namespace {

// An x86 exception registration on our stack, linked at the head of the thread's list while
// the entry point runs. The system sees only the record; the rest is ours.
struct TGuardRecord {
  EXCEPTION_REGISTRATION_RECORD Record;
  void* Resume[5];  // where the handler goes back to (__builtin_setjmp)
  DWORD Code;
};

// The head of the thread's registration list, at fs:0.
EXCEPTION_REGISTRATION_RECORD* ListHead() {
  EXCEPTION_REGISTRATION_RECORD* head;
  asm volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void SetListHead(EXCEPTION_REGISTRATION_RECORD* head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

// Unwinds the module's frames (their own unwind handlers run) down to the guard, then goes back
// into CallGuarded.
EXCEPTION_DISPOSITION NTAPI StopAtGuard(EXCEPTION_RECORD* record, void* frame, CONTEXT*, void*) {
  if ((record->ExceptionFlags & EXCEPTION_UNWIND) != 0) return ExceptionContinueSearch;
  auto* guard = static_cast<TGuardRecord*>(frame);
  guard->Code = record->ExceptionCode;
  RtlUnwind(frame, nullptr, record, nullptr);
  __builtin_longjmp(guard->Resume, 1);
}

// Returns false when the handler came back to it.
[[gnu::noinline]] bool CallGuarded(TGuardRecord& guard, TEntryPoint entry, HINSTANCE instance, DWORD reason,
                                   BOOL& result) {
  if (__builtin_setjmp(guard.Resume) != 0) return false;
  SetListHead(&guard.Record);
  result = entry(instance, reason, nullptr);
  return true;
}

}  // namespace

DWORD CallModuleEntry(TEntryPoint entry, HINSTANCE instance, DWORD reason, BOOL& returned) {
  TGuardRecord guard{};
  guard.Record.Next = ListHead();
  guard.Record.Handler = &StopAtGuard;
  // Unlinked on every way out, a C++ exception passing through included.
  struct TUnlink {
    EXCEPTION_REGISTRATION_RECORD* Next;
    ~TUnlink() { SetListHead(Next); }
  } unlink{guard.Record.Next};
  const TRunningEntryPoint running;
  BOOL result = FALSE;
  if (CallGuarded(guard, entry, instance, reason, result)) returned = result;
  return guard.Code;
}

#endif

}  // namespace leafmark
