// LeafmarkStandinStageLoad: a stage of its own that a test in the host's process drives
// directly, to see the runtime fetch, read and act on movies through the host's replacements
// before (and without) the runtime's OLE object.
#include <windows.h>

#include <memory>

#include "runtime_module.h"
#include "stage.h"

namespace standin {

namespace {

class TIgnoredEvents final : public TStageEvents {
 public:
  void StageReadyStateChange(long) override {}
  void StageProgress(long) override {}
  void StageFSCommand(const std::wstring&, const std::wstring&) override {}
  void StageChanged() override {}
};

// The probe's stage keeps the module loaded while it exists, since its timer calls back
// into it.
struct TProbeStage {
  TProbeStage() { AddModuleReference(); }
  ~TProbeStage() { ReleaseModuleReference(); }
  TProbeStage(const TProbeStage&) = delete;
  TProbeStage& operator=(const TProbeStage&) = delete;

  TIgnoredEvents Events;
  TStage Stage{Events};
};

std::unique_ptr<TProbeStage> probeStage;

HRESULT StageProbeLoad(int layer, const wchar_t* url) noexcept {
  try {
    if (!url) {
      probeStage.reset();
      return S_OK;
    }
    if (!probeStage) probeStage = std::make_unique<TProbeStage>();
    probeStage->Stage.Load(layer, url);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace
}  // namespace standin

// Loads url into layer of the probe's stage, made at the first call on the calling thread
// (which must pump messages for the stage to act); its events are ignored, the trace shows
// what happens. A nil url drops the stage. S_OK, or E_FAIL when the load could not start.
// stdcall on win32, exported under its plain name.
extern "C" HRESULT WINAPI LeafmarkStandinStageLoad(int layer, const wchar_t* url) {
  return standin::StageProbeLoad(layer, url);
}
