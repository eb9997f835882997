// TSlotCall: a runtime member called by its slot, for runtimes that put it elsewhere than
// IShockwaveFlash_9_0_28_0 does.
#pragma once

#include <cstddef>

#include "flash_control/shockwave_flash.h"

namespace leafmark {

// Member is the type of a same-shaped member of IShockwaveFlash_9_0_28_0 (decltype of
// &get_SWRemote for an older runtime's SWRemote getter), so the call has exactly that member's
// parameters and calling convention: on win32 a stdcall callee pops its own arguments, and any
// mismatch would unbalance the stack.
template <class Member>
struct TSlotCall;

template <class... Args>
struct TSlotCall<HRESULT (STDMETHODCALLTYPE IShockwaveFlash_9_0_28_0::*)(Args...)> {
  std::size_t Slot;

  HRESULT operator()(IShockwaveFlash_9_0_28_0& flash, Args... args) const {
    using TEntry = HRESULT(STDMETHODCALLTYPE*)(IShockwaveFlash_9_0_28_0*, Args...);
    const TEntry* table = *reinterpret_cast<const TEntry* const*>(&flash);
    return table[Slot](&flash, args...);
  }
};

}  // namespace leafmark
