// Reading the host's ambient properties through its site's IDispatch, as controls do.
#pragma once

#include <oaidl.h>

namespace standin {

// A property get of id with no arguments into value (cleared first). Traced as
// "site IDispatch.Invoke dispid=<n> hr=0x..".
HRESULT ReadAmbient(IDispatch& site, DISPID id, VARIANT& value) noexcept;

}  // namespace standin
