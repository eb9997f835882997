// IShockwaveFlash {D27CDB6C-AE6D-11CF-96B8-444553540000} as the runtime object offers it. The
// interface grew from one runtime generation to the next, and some members moved (SWRemote
// sits at 73 in generations 4 to 6 and at 74 from 7 on), so there is no one C++ class for
// it: the object hands out a function table built for the generation of its version, each
// slot holding a function of exactly that slot's parameters (on win32 the called function
// pops its arguments, so a wrong signature would unbalance the caller's stack).
#pragma once

#include <windows.h>

#include <vector>

namespace standin {

class TRuntimeObject;

// {D27CDB6C-AE6D-11CF-96B8-444553540000}
inline constexpr IID kShockwaveFlashId = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

using TSlot = void (*)();

// What a caller's interface pointer points at: the table, then the object it belongs to.
struct TFlashInterface {
  const TSlot* Table;
  TRuntimeObject* Owner;
};

// generation: the major version capped at 8. fullScreenMembers: from 9.0.28.0 on the table
// also has AllowNetworking and AllowFullScreen (slots 96 to 99).
std::vector<TSlot> BuildFlashTable(int generation, bool fullScreenMembers);

// The table for this build's version, built once.
const TSlot* BuiltFlashTable();

}  // namespace standin
