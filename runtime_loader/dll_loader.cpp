// Placing, binding, starting and releasing one module image, as a list of named steps.
#include "runtime_loader/dll_loader.h"

#include <cstdio>
#include <span>
#include <stdexcept>

#include "runtime_loader/module_entry.h"
#include "runtime_loader/pe_error.h"
#include "runtime_loader/pe_exports.h"
#include "runtime_loader/pe_file_image.h"
#include "runtime_loader/pe_imports.h"
#include "runtime_loader/pe_layout.h"
#include "runtime_loader/pe_relocations.h"
#include "runtime_loader/pe_unwind.h"
#include "win/unique_any.h"

namespace leafmark {
namespace {

#ifdef _WIN64
constexpr std::uint16_t kProcessMachine = pe::kMachineAmd64;
constexpr bool kProcessIs64 = true;
#else
constexpr std::uint16_t kProcessMachine = pe::kMachineI386;
constexpr bool kProcessIs64 = false;
#endif

void CheckMachine(const pe::TPeHeaders& headers) {
  if (headers.Machine != kProcessMachine || headers.Is64 != kProcessIs64) {
    throw pe::EPeImageError("the image is for " + pe::MachineName(headers.Machine) +
                            (headers.Is64 ? " (PE32+)" : " (PE32)") + " but this process is " +
                            pe::MachineName(kProcessMachine));
  }
}

std::string DescribeStoppedException(DWORD code) {
  if (code == kModuleAbortCode) {
    return "the module called abort (on 32-bit Windows also how a C++ exception that nothing in "
           "the module catches ends)";
  }
  char hex[16] = {};
  std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
  return std::string("system exception ") + hex;
}

}  // namespace

// The memory, libraries and unwind table of one placed image. Destruction releases them in
// this order: libraries first to last, the unwind table, then the memory.
struct TDLLLoader::TPlacedImage {
  win::TUniqueVirtualMemory<> Memory;
  pe::TPeHeaders Headers;
  std::vector<win::TUniqueModule> Libraries;
#ifdef _WIN64
  PRUNTIME_FUNCTION FunctionTable = nullptr;
#endif

  TPlacedImage() = default;
  TPlacedImage(const TPlacedImage&) = delete;
  TPlacedImage& operator=(const TPlacedImage&) = delete;
  ~TPlacedImage() {
    for (win::TUniqueModule& library : Libraries) library.Reset();
#ifdef _WIN64
    if (FunctionTable != nullptr) RtlDeleteFunctionTable(FunctionTable);
#endif
  }

  std::uint8_t* Base() const { return static_cast<std::uint8_t*>(Memory.Get()); }
  std::span<std::uint8_t> Bytes() const { return {Base(), Headers.SizeOfImage}; }

  void Allocate() {
    void* memory = VirtualAlloc(nullptr, Headers.SizeOfImage, MEM_RESERVE | MEM_COMMIT,
                                PAGE_EXECUTE_READWRITE);
    if (memory == nullptr) {
      throw std::runtime_error("cannot allocate " + std::to_string(Headers.SizeOfImage) +
                               " bytes for the image (error " +
                               std::to_string(GetLastError()) + ")");
    }
    Memory.Reset(memory);
  }

  // x64 unwinding finds a function's unwind data only through a registered table; without
  // it no exception raised inside the image can be handled.
  void RegisterFunctionTable() {
#ifdef _WIN64
    const DWORD count = pe::CheckFunctionTable(Bytes(), Headers);
    if (count == 0) return;
    const std::uint32_t tableRva = Headers.Directories[pe::kDirException].VirtualAddress;
    auto* table = reinterpret_cast<PRUNTIME_FUNCTION>(Base() + tableRva);
    if (!RtlAddFunctionTable(table, count, reinterpret_cast<DWORD64>(Base()))) {
      throw std::runtime_error("cannot register the image's exception directory");
    }
    FunctionTable = table;
#endif
  }

  // A system exception escaping the entry point, or the module's abort while it runs, ends
  // the call (CallModuleEntry) and arrives as our error.
  void CallEntryPoint(DWORD reason) const {
    if (Headers.AddressOfEntryPoint == 0) return;
    const auto entry = reinterpret_cast<TEntryPoint>(Base() + Headers.AddressOfEntryPoint);
    BOOL returned = FALSE;
    const DWORD stopped = CallModuleEntry(entry, reinterpret_cast<HINSTANCE>(Base()), reason, returned);
    if (stopped != 0) throw std::runtime_error(DescribeStoppedException(stopped));
  }

  // The module's own exception ends here, while its code (the exception's destructor among
  // it) is still mapped; what goes on is our error, during whose unwinding the image is freed.
  // Only on win64 does a module's exception get this far (see LoadModule in the header).
  void StartModule(DWORD reason) const {
    std::string failure;
    try {
      CallEntryPoint(reason);
      return;
    } catch (const std::exception& error) {
      failure = error.what();
    } catch (...) {
      failure = "an exception of unknown type";
    }
    throw std::runtime_error("the module's entry point failed (reason " + std::to_string(reason) +
                             "): " + failure);
  }
};

TDLLLoader::TDLLLoader() = default;

TDLLLoader::~TDLLLoader() {
  imports_.Items.clear();
  if (moduleBase_ != nullptr) {
    // A destructor cannot report the module's failure to detach; the memory and libraries are
    // released all the same. (On win32 such a failure ends the process: see LoadModule.)
    try {
      placed_->CallEntryPoint(DLL_PROCESS_DETACH);
    } catch (...) {
    }
  }
  placed_.reset();
}

FARPROC TDLLLoader::GetImportReplacement(LPCSTR, LPCSTR) { return nullptr; }

void TDLLLoader::LoadModule(TStream& stream) {
  if (moduleBase_ != nullptr) throw std::logic_error("the loader already holds a module");
  auto placed = std::make_unique<TPlacedImage>();
  TImportedFunctions imports;
  {
    const std::vector<std::uint8_t> file = pe::ReadFileImage(stream);
    placed->Headers = pe::ParsePeHeaders(file);
    CheckMachine(placed->Headers);
    placed->Allocate();
    pe::LayOutImage(file, placed->Headers, placed->Bytes());
  }
  pe::RelocateImage(placed->Bytes(), placed->Headers, reinterpret_cast<std::uintptr_t>(placed->Base()));
  BindImports(*placed, imports);
  FlushInstructionCache(GetCurrentProcess(), placed->Base(), placed->Headers.SizeOfImage);
  placed->RegisterFunctionTable();
  placed->StartModule(DLL_PROCESS_ATTACH);
  placed->StartModule(DLL_THREAD_ATTACH);
  imports_ = std::move(imports);
  placed_ = std::move(placed);
  moduleBase_ = reinterpret_cast<HMODULE>(placed_->Base());
}

void TDLLLoader::BindImports(TPlacedImage& placed, TImportedFunctions& imports) {
  // The whole table is read and checked before the first library is loaded.
  const auto modules = pe::ReadImports(placed.Bytes(), placed.Headers);
  for (const pe::TImportModule& module : modules) {
    win::TUniqueModule library(LoadLibraryA(module.Name.c_str()));
    const HMODULE loaded = library.Get();
    if (library) placed.Libraries.push_back(std::move(library));
    for (const pe::TImportThunk& thunk : module.Thunks) {
      const LPCSTR nameOrOrdinal =
          thunk.ByOrdinal ? MAKEINTRESOURCEA(thunk.Ordinal) : thunk.Name.c_str();
      auto* slot = reinterpret_cast<FARPROC*>(placed.Base() + thunk.SlotRva);
      if (!thunk.ByOrdinal) {
        imports.Items.push_back({pe::ModuleFileName(module.Name), thunk.Name, slot});
      }
      FARPROC address = GetImportReplacement(module.Name.c_str(), nameOrOrdinal);
      if (address == nullptr) address = ModuleAbortReplacement(module.Name.c_str(), nameOrOrdinal);
      // A module that could not be loaded leaves its slots nil: GetProcAddress(nil, ...)
      // would search the executable instead.
      if (address == nullptr && loaded != nullptr) address = GetProcAddress(loaded, nameOrOrdinal);
      pe::WriteImportSlot(placed.Bytes(), placed.Headers, thunk.SlotRva,
                          reinterpret_cast<std::uintptr_t>(address));
    }
  }
}

FARPROC TDLLLoader::FindExport(const char* name) const noexcept {
  if (moduleBase_ == nullptr || name == nullptr) return nullptr;
  try {
    const auto rva = pe::FindExportRva(placed_->Bytes(), placed_->Headers, name);
    return rva ? reinterpret_cast<FARPROC>(placed_->Base() + *rva) : nullptr;
  } catch (...) {
    return nullptr;
  }
}

}  // namespace leafmark
