// The host control's module: starts and ends the runtime machinery the control relies on
// (the code provider, content delivery, urlmon, the housekeeping timer), in order.
#pragma once

namespace leafmark {

// On the GUI thread, before the application creates its forms. Throws with a plain message
// when urlmon.dll, user32.dll or one of urlmon's two functions is missing.
void InitFlashPlayerControlModule();
// At program end, on the same thread; undoes what the initialisation did, in its order.
void FinalizeFlashPlayerControlModule() noexcept;

// The housekeeping timer's period.
inline constexpr unsigned kHousekeepingIntervalMs = 10000;

}  // namespace leafmark
