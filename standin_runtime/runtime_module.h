// What the runtime knows of itself: its module, the thread that loaded it, the version it was
// built with, and the references that keep it loaded.
#pragma once

#include <windows.h>

namespace standin {

// Noted once, as the module attaches.
void NoteAttach(HMODULE module) noexcept;
HMODULE OwnModule() noexcept;
// Whether the caller is the thread that attached the module.
bool OnLoadingThread() noexcept;
// Whether the system's module list knows the module that holds this code (no when it was
// placed in memory by someone else's loader).
bool InSystemModuleList() noexcept;

// "10.0.45.2": the product version of this build variant, as in its version resource.
const char* BuiltVersion() noexcept;
// The same four numbers, most significant first ({10, 0, 45, 2}).
struct TVersion {
  unsigned Major = 0, Minor = 0, Release = 0, Build = 0;
};
TVersion BuiltVersionNumbers() noexcept;

// Live objects and server locks; the module may be unloaded when there are none.
void AddModuleReference() noexcept;
void ReleaseModuleReference() noexcept;
bool ModuleInUse() noexcept;

}  // namespace standin
