// Start-up and shutdown of the host control's module.
#include "flash_control/flash_player_control_module.h"

#include <windows.h>

#include <stdexcept>

#include "content/content_manager.h"
#include "content/urlmon_functions.h"
#include "runtime_loader/code_providers.h"
#include "win/unique_any.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace leafmark {

namespace {

win::TUniqueModule user32Library;
UINT_PTR housekeepingTimer = 0;

// Every floating-point exception masked, round to nearest: the runtime's arithmetic relies
// on it. The x87 word 0x133F also asks for 64-bit precision; where the compiler uses SSE
// (all of x64's arithmetic) MXCSR gets the same masks and rounding.
void SetFloatingPointControl() noexcept {
#if defined(__i386__) || defined(__x86_64__)
  const unsigned short x87Control = 0x133F;
  __asm__ __volatile__("fldcw %0" : : "m"(x87Control));
#endif
#if defined(__SSE__)
  _mm_setcsr((_mm_getcsr() | _MM_MASK_MASK) & ~static_cast<unsigned>(_MM_ROUND_MASK));
#endif
}

void CALLBACK HousekeepingTick(HWND, UINT, UINT_PTR, DWORD) noexcept { TrimWorkingSet(); }

}  // namespace

void InitFlashPlayerControlModule() {
  SetFloatingPointControl();
  try {
    InitFlashOCXCodeProvider();
    // The window-class name map, the sound state and the cursor cache of the runtime's
    // replacements are made on first use: nothing to do here for them.
    content::InitContentManager();
    content::InitUrlmon();
    user32Library.Reset(::LoadLibraryA("user32.dll"));
    if (!user32Library) throw std::runtime_error("LoadLibrary(user32.dll) failed");
    housekeepingTimer = ::SetTimer(nullptr, 0, kHousekeepingIntervalMs, &HousekeepingTick);
  } catch (...) {
    // A module that fails is not finalised by its caller: undo the part already done.
    FinalizeFlashPlayerControlModule();
    throw;
  }
}

void FinalizeFlashPlayerControlModule() noexcept {
  FinalizeFlashOCXCodeProvider();
  content::FinalizeContentManager();
  content::FinalizeUrlmon();
  user32Library.Reset();
  if (housekeepingTimer) ::KillTimer(nullptr, housekeepingTimer);
  housekeepingTimer = 0;
}

}  // namespace leafmark
