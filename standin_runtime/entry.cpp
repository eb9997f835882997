// The runtime's entry point and exports: DllGetClassObject and DllCanUnloadNow, as COM asks
// of an in-process server, and LeafmarkStandinProbeImports, by which a test in the host's
// process has the runtime call its replaceable imports.
#include <windows.h>

#include <new>

#include "class_factory.h"
#include "class_ids.h"
#include "import_probe.h"
#include "run_command.h"
#include "runtime_module.h"
#include "runtime_window.h"
#include "trace.h"

namespace {

void TraceLoaded() noexcept {
  try {
    standin::TTraceLine("loaded")
        .Text("version", standin::BuiltVersion())
        .YesNo("in-module-list", standin::InSystemModuleList())
        .Write();
  } catch (...) {
    // Out of memory while loading: the event is lost, the load goes on.
  }
}

void TraceUnloaded() noexcept {
  try {
    standin::TTraceLine("unloaded").Write();
  } catch (...) {
  }
}

}  // namespace

// Nothing may leave the entry point: on win32 an exception would end the host's process.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    standin::NoteAttach(instance);
    standin::OpenTrace();
    TraceLoaded();
  } else if (reason == DLL_PROCESS_DETACH) {
    standin::UnregisterRuntimeWindowClass();
    TraceUnloaded();
    standin::CloseTrace();
  }
  return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (classId != standin::kRuntimeClassId) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) standin::TClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT result = factory->QueryInterface(iid, object);
  factory->Release();
  return result;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return standin::ModuleInUse() ? S_FALSE : S_OK; }

// servedPath: the file the CreateFileW, CreateFileA and file rows open. Returns the number
// of "import" events written to the trace: 23, or 0 when the trace is not open.
extern "C" int WINAPI LeafmarkStandinProbeImports(const wchar_t* servedPath) {
  return standin::ProbeImports(servedPath);
}

// Has the newest live runtime object do a test's command (run_command.h): raise an event,
// walk its site, read ambients, ask the site for interfaces, or read a file through the
// imported file functions.
extern "C" HRESULT WINAPI LeafmarkStandinRun(const wchar_t* command) { return standin::RunCommand(command); }
