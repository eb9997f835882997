// TDLLLoader: places a DLL image held in memory into this process without the system loader,
// binds its imports, runs its entry point, and answers export look-ups.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/stream.h"
#include "runtime_loader/pe_headers.h"

namespace leafmark {

struct TImportedFunction {
  std::string ModuleFileName;  // the descriptor's module name without its directory part
  std::string FunctionName;
  FARPROC* Slot = nullptr;     // the import address table entry that received the address
};

// Every import by name of the loaded image; no import by ordinal is recorded.
class TImportedFunctions {
 public:
  std::vector<TImportedFunction> Items;
};

class TDLLLoader {
 public:
  TDLLLoader();
  virtual ~TDLLLoader();
  TDLLLoader(const TDLLLoader&) = delete;
  TDLLLoader& operator=(const TDLLLoader&) = delete;

  // Copies the whole stream (from position 0), places the image in fresh memory, relocates
  // it, binds its imports, registers its unwind table (x64) and calls its entry point with
  // DLL_PROCESS_ATTACH and then DLL_THREAD_ATTACH. Throws for an image that cannot be
  // processed or is not for this process's machine; everything acquired by a failed load is
  // released again, and the loader stays empty. A failure of the entry point arrives as a
  // std::runtime_error (the module's own exception could not outlive the module), and the
  // process goes on in every case:
  // - A C++ exception where it can leave the module (x64: the system's table-based unwinding
  //   reaches our frames through the image's registered function table) arrives with its
  //   message. The module's runtime counted the throw and ours the catch, so this thread's
  //   std::uncaught_exceptions() ends one lower than before.
  // - On x86 a C++ exception cannot leave the module: its unwinding is DWARF-based, with the
  //   module's own copy of libgcc, which knows only the module's frames. The module's runtime
  //   then calls abort, which arrives as the module's abort (see module_entry.h).
  // - A system exception (a fault, or an MSVC-built module's C++ exception) arrives with its
  //   code.
  void LoadModule(TStream& stream);

  // The address of the export called name (exact, case-sensitive), or nil.
  FARPROC FindExport(const char* name) const noexcept;

  // The placed image; nil until LoadModule has finished (also while the entry point runs).
  HMODULE ModuleBase() const noexcept { return moduleBase_; }
  const TImportedFunctions& Imports() const noexcept { return imports_; }

  // The address to bind into an import slot instead of the system's, or nil. moduleName is
  // the descriptor's name as stored; nameOrOrdinal is a function name or an ordinal
  // (IS_INTRESOURCE). May be called from any thread; must not change state. Where it gives
  // nil, the C runtime's abort is bound to ModuleAbortReplacement, everything else as the
  // system binds it.
  virtual FARPROC GetImportReplacement(LPCSTR moduleName, LPCSTR nameOrOrdinal);

 private:
  struct TPlacedImage;
  void BindImports(TPlacedImage& placed, TImportedFunctions& imports);

  std::unique_ptr<TPlacedImage> placed_;
  TImportedFunctions imports_;
  HMODULE moduleBase_ = nullptr;
};

}  // namespace leafmark
