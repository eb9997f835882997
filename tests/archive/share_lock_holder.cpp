// Test helper: holds a file open without sharing for a given time, as another program might,
// and signals the named event once the file is held.
// usage: share_lock_holder FILE MILLISECONDS EVENT
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const HANDLE file = ::CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const HANDLE held = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
  if (held == nullptr) return 1;
  ::SetEvent(held);
  ::CloseHandle(held);
  ::Sleep(static_cast<DWORD>(std::atoi(argv[2])));
  ::CloseHandle(file);
  return 0;
}
