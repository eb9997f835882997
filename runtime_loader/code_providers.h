// The code providers: where the runtime's code comes from (a stream such as the book's
// "flash.ocx", or the registered runtime's file), loaded from memory either way.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstdint>
#include <memory>

#include "base/stream.h"
#include "runtime_loader/flash_ocx_loader.h"

namespace leafmark {

// The runtime's class id {D27CDB6E-AE6D-11cf-96B8-444553540000}.
extern const CLSID kFlashRuntimeClassId;

class TFlashOCXCodeProviderBasedOnStream {
 public:
  // Loads the runtime from stream (copied out during the call; may be nil). Never fails: a
  // stream that does not hold a loadable runtime leaves the provider empty.
  explicit TFlashOCXCodeProviderBasedOnStream(TStream* stream);
  virtual ~TFlashOCXCodeProviderBasedOnStream();
  TFlashOCXCodeProviderBasedOnStream(const TFlashOCXCodeProviderBasedOnStream&) = delete;
  TFlashOCXCodeProviderBasedOnStream& operator=(const TFlashOCXCodeProviderBasedOnStream&) =
      delete;

  // A new runtime object's interface iid in *object. E_FAIL without a runtime or when the
  // runtime has no class factory for its class; otherwise the factory's own result.
  HRESULT CreateFlashInstance(REFIID iid, void** object);
  // The loaded runtime's packed product version; 0 when none was read.
  std::uint32_t GetFlashVersion() const noexcept { return version_; }
  // True when a runtime is loaded and offers its class-factory entry.
  bool HasRuntime() const noexcept { return entry_ != nullptr; }
  TFlashOCXLoader* Loader() const noexcept { return loader_.get(); }

 protected:
  TFlashOCXCodeProviderBasedOnStream() noexcept = default;
  void Load(TStream& stream) noexcept;

 private:
  using TDllGetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

  TDllGetClassObject entry_ = nullptr;
  std::uint32_t version_ = 0;
  std::unique_ptr<TFlashOCXLoader> loader_;
};

class TFlashOCXCodeProviderBasedOnSystemInstalledOCX final
    : public TFlashOCXCodeProviderBasedOnStream {
 public:
  // Reads the file the runtime's class registration names and loads it from memory; empty
  // when there is no registration or the file cannot be read.
  TFlashOCXCodeProviderBasedOnSystemInstalledOCX();
};

// The process-wide current provider, or nil. Changes only at start-up and shutdown, on the
// main thread; read without a lock from any thread.
TFlashOCXCodeProviderBasedOnStream* FlashOCXCodeProvider() noexcept;
// The address of the variable holding the current provider: a number that tells copies of
// the player's code in one process apart.
const void* FlashOCXCodeProviderVariable() noexcept;
// The current provider's loader, or nil: what the GetProcAddress replacement consults.
TFlashOCXLoader* CurrentFlashOCXLoader() noexcept;

// Makes the registered runtime's provider current (at start-up).
void InitFlashOCXCodeProvider();
// Replaces the current provider by one loaded from stream. A stream that does not hold a
// loadable runtime leaves the current provider (and its working runtime) in place, and
// returns false.
bool LoadFlashOCXCodeFromStream(TStream& stream);
// Frees the current provider, unloading its runtime (at shutdown).
void FinalizeFlashOCXCodeProvider() noexcept;

// The housekeeping timer's tick: asks the system to trim the process's working set.
void TrimWorkingSet() noexcept;

}  // namespace leafmark
