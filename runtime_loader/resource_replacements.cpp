// Cursors and menus built from the runtime's own resources; only the runtime's image is ever
// read this way, never memory an instance handle merely points at.
#include "runtime_loader/resource_replacements.h"

#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <type_traits>

#include "runtime_loader/code_providers.h"
#include "runtime_loader/module_resources.h"

namespace leafmark::replacements {
namespace {

static_assert(std::is_same_v<decltype(&ImageLoadCursorA), decltype(&::LoadCursorA)>);
static_assert(std::is_same_v<decltype(&ImageLoadMenuA), decltype(&::LoadMenuA)>);

constexpr WORD kGroupCursor = 12;
constexpr WORD kCursor = 1;
constexpr WORD kMenu = 4;

struct TSavedCursor {
  HCURSOR Cursor;
  HINSTANCE Module;
  bool ByName;
  WORD Id;
  std::string Name;

  bool Matches(HINSTANCE module, LPCSTR nameOrId) const {
    if (Module != module) return false;
    if (IS_INTRESOURCE(nameOrId)) return !ByName && Id == LOWORD(reinterpret_cast<ULONG_PTR>(nameOrId));
    return ByName && Name == nameOrId;
  }
};

// Searched and appended under its lock; the resource reading runs outside it. Made on first
// use, so it exists whenever the runtime first asks; the cursors live until the process ends.
struct TSavedCursors {
  std::mutex Lock;
  std::list<TSavedCursor> Cursors;
};
TSavedCursors& SavedCursors() {
  static TSavedCursors cursors;
  return cursors;
}

// True when instance is the loaded runtime's image, the only module read from memory here.
bool IsRuntimeImage(HINSTANCE instance) {
  const TFlashOCXLoader* loader = CurrentFlashOCXLoader();
  return instance != nullptr && loader != nullptr &&
         reinterpret_cast<HMODULE>(instance) == loader->ModuleBase();
}

HCURSOR BuildCursor(HINSTANCE instance, LPCSTR cursorName) {
  DWORD size = 0;
  const void* data = nullptr;
  if (!FindModuleResource(instance, kGroupCursor, cursorName, size, data)) return nullptr;
  const int id = ::LookupIconIdFromDirectory(static_cast<PBYTE>(const_cast<void*>(data)), FALSE);
  if (id == 0) return nullptr;
  if (!FindModuleResource(instance, kCursor, MAKEINTRESOURCEA(id), size, data)) return nullptr;
  return ::CreateIconFromResource(static_cast<PBYTE>(const_cast<void*>(data)), size, FALSE,
                                  0x00030000);
}

}  // namespace

HCURSOR WINAPI ImageLoadCursorA(HINSTANCE instance, LPCSTR cursorName) {
  if (!IsRuntimeImage(instance)) return ::LoadCursorA(instance, cursorName);
  try {
    TSavedCursors& saved = SavedCursors();
    {
      std::lock_guard guard(saved.Lock);
      for (const TSavedCursor& cursor : saved.Cursors) {
        if (cursor.Matches(instance, cursorName) && cursor.Cursor) return cursor.Cursor;
      }
    }
    const HCURSOR cursor = BuildCursor(instance, cursorName);
    const bool byName = !IS_INTRESOURCE(cursorName);
    std::lock_guard guard(saved.Lock);
    saved.Cursors.push_back({cursor, instance, byName,
                             byName ? WORD{0} : LOWORD(reinterpret_cast<ULONG_PTR>(cursorName)),
                             byName ? std::string(cursorName) : std::string()});
    return cursor;
  } catch (...) {
    return nullptr;
  }
}

HMENU WINAPI ImageLoadMenuA(HINSTANCE instance, LPCSTR menuName) {
  if (!IsRuntimeImage(instance)) return ::LoadMenuA(instance, menuName);
  DWORD size = 0;
  const void* data = nullptr;
  if (!FindModuleResource(instance, kMenu, menuName, size, data)) return nullptr;
  return ::LoadMenuIndirectA(data);
}

}  // namespace leafmark::replacements
