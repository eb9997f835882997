// A DLL for the in-memory loader's tests: records its entry-point reasons in an environment
// variable (which outlives the module), imports by name and by ordinal and from a module
// that does not exist, throws and catches a C++ exception inside itself, and on request
// fails in its entry point.
#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

extern "C" int HelperAnswer();
extern "C" int HelperByOrdinal();
extern "C" int HookedFunction();
extern "C" int AbsentFunction();

namespace {

HINSTANCE ownModule = nullptr;

void RecordReason(DWORD reason) {
  char buffer[64] = {};
  GetEnvironmentVariableA("LEAFMARK_PROBE_REASONS", buffer, sizeof buffer - 2);
  std::string reasons = buffer;
  reasons += static_cast<char>('0' + reason);
  SetEnvironmentVariableA("LEAFMARK_PROBE_REASONS", reasons.c_str());
}

[[gnu::noinline]] void Fail(int depth) {
  if (depth == 0) throw std::runtime_error("thrown inside the probe");
  Fail(depth - 1);
}

std::string Setting(const char* name) {
  char value[16] = {};
  GetEnvironmentVariableA(name, value, sizeof value);
  return value;
}

// A module failing as it is loaded or unloaded: for the reasons whose digits
// LEAFMARK_PROBE_FAIL_ON holds, in the way LEAFMARK_PROBE_FAIL_AS names.
void FailIfAsked(DWORD reason) {
  if (Setting("LEAFMARK_PROBE_FAIL_ON").find(static_cast<char>('0' + reason)) == std::string::npos) return;
  const std::string way = Setting("LEAFMARK_PROBE_FAIL_AS");
  if (way == "raise") {
    // How modules built with Microsoft's compiler throw their C++ exceptions.
    RaiseException(0xE0504F42, 0, 0, nullptr);
  } else if (way == "fault") {
    int* volatile nowhere = nullptr;  // volatile, so the compiler cannot see the write fault
    *nowhere = 1;
  } else if (way == "abort") {
    std::abort();
  }
  throw std::runtime_error("the probe fails in its entry point");
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  ownModule = instance;
  RecordReason(reason);
  FailIfAsked(reason);
  return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, void** object) {
  *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HINSTANCE ProbeOwnModule() { return ownModule; }
extern "C" int ProbeHelperAnswer() { return HelperAnswer(); }
extern "C" int ProbeHelperByOrdinal() { return HelperByOrdinal(); }
extern "C" int ProbeHooked() { return HookedFunction(); }
extern "C" int ProbeAbsent() { return AbsentFunction(); }

// Unwinds through several frames of this image to a handler in it.
extern "C" int ProbeThrowAndCatch() {
  try {
    Fail(3);
  } catch (const std::runtime_error& error) {
    return std::string(error.what()) == "thrown inside the probe" ? 42 : 1;
  }
  return 0;
}
