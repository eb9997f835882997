// The runtime's own module state.
#include "runtime_module.h"

#include <atomic>
#include <cstdint>

namespace standin {

namespace {
HMODULE ownModule = nullptr;
DWORD loadingThread = 0;
std::atomic<long> moduleReferences{0};
}  // namespace

void NoteAttach(HMODULE module) noexcept {
  ownModule = module;
  loadingThread = GetCurrentThreadId();
}

HMODULE OwnModule() noexcept { return ownModule; }

bool OnLoadingThread() noexcept { return GetCurrentThreadId() == loadingThread; }

bool InSystemModuleList() noexcept {
  HMODULE found = nullptr;
  const auto address = reinterpret_cast<LPCWSTR>(reinterpret_cast<std::uintptr_t>(&InSystemModuleList));
  return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            address, &found) != FALSE;
}

TVersion BuiltVersionNumbers() noexcept {
  unsigned parts[4] = {};
  int part = 0;
  for (const char* c = BuiltVersion(); *c && part < 4; ++c) {
    if (*c == '.') {
      ++part;
    } else if (*c >= '0' && *c <= '9') {
      parts[part] = parts[part] * 10 + static_cast<unsigned>(*c - '0');
    }
  }
  return {parts[0], parts[1], parts[2], parts[3]};
}

void AddModuleReference() noexcept { ++moduleReferences; }
void ReleaseModuleReference() noexcept { --moduleReferences; }
bool ModuleInUse() noexcept { return moduleReferences.load() != 0; }

}  // namespace standin
