// The replacement table: one row per function the runtime must not reach directly.
#include "runtime_loader/flash_ocx_loader.h"

#include <cstring>

#include "runtime_loader/file_replacements.h"
#include "runtime_loader/resource_replacements.h"
#include "runtime_loader/sound_replacements.h"
#include "runtime_loader/system_replacements.h"
#include "runtime_loader/window_replacements.h"

namespace leafmark {
namespace {

template <class Function>
FARPROC AsFarproc(Function function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

const TImportReplacement kReplacements[] = {
    {"CreateURLMoniker", AsFarproc(&replacements::ContentCreateURLMoniker)},
    {"RegisterClassExA", AsFarproc(&replacements::PrefixedRegisterClassExA)},
    {"RegisterClassA", AsFarproc(&replacements::PrefixedRegisterClassA)},
    {"RegisterClassExW", AsFarproc(&replacements::PrefixedRegisterClassExW)},
    {"RegisterClassW", AsFarproc(&replacements::PrefixedRegisterClassW)},
    {"CreateWindowExA", AsFarproc(&replacements::PrefixedCreateWindowExA)},
    {"CreateWindowExW", AsFarproc(&replacements::PrefixedCreateWindowExW)},
    {"LoadCursorA", AsFarproc(&replacements::ImageLoadCursorA)},
    {"LoadMenuA", AsFarproc(&replacements::ImageLoadMenuA)},
    {"waveOutWrite", AsFarproc(&replacements::ScaledWaveOutWrite)},
    {"waveOutOpen", AsFarproc(&replacements::GuardedWaveOutOpen)},
    {"waveOutClose", AsFarproc(&replacements::GuardedWaveOutClose)},
    {"FlushInstructionCache", AsFarproc(&replacements::ExecutableFlushInstructionCache)},
    {"CreateFileA", AsFarproc(&replacements::MappedCreateFileA)},
    {"VirtualAlloc", AsFarproc(&replacements::GuardFreeVirtualAlloc)},
    {"ReadFile", AsFarproc(&replacements::ServedReadFile)},
    {"CloseHandle", AsFarproc(&replacements::ServedCloseHandle)},
    {"GetFileSize", AsFarproc(&replacements::ServedGetFileSize)},
    {"GetFileSizeEx", AsFarproc(&replacements::ServedGetFileSizeEx)},
    {"SetFilePointer", AsFarproc(&replacements::ServedSetFilePointer)},
    {"SetFilePointerEx", AsFarproc(&replacements::ServedSetFilePointerEx)},
    {"CreateFileW", AsFarproc(&replacements::MappedCreateFileW)},
    {"GetProcAddress", AsFarproc(&replacements::TableGetProcAddress)},
};

}  // namespace

std::span<const TImportReplacement> ImportReplacements() { return kReplacements; }

FARPROC FindImportReplacement(LPCSTR nameOrOrdinal) noexcept {
  if (nameOrOrdinal == nullptr || IS_INTRESOURCE(nameOrOrdinal)) return nullptr;
  for (const TImportReplacement& row : kReplacements) {
    if (std::strcmp(row.Name, nameOrOrdinal) == 0) return row.Replacement;
  }
  return nullptr;
}

FARPROC TFlashOCXLoader::GetImportReplacement(LPCSTR, LPCSTR nameOrOrdinal) {
  return FindImportReplacement(nameOrOrdinal);
}

}  // namespace leafmark
