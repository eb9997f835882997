// The class id under which the runtime's object is created.
#pragma once

#include <guiddef.h>

namespace standin {

// {D27CDB6E-AE6D-11cf-96B8-444553540000}
inline constexpr CLSID kRuntimeClassId = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

}  // namespace standin
