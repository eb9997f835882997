// The text of a BSTR, kept apart from the code-page conversions so that a module that only
// converts text does not import oleaut32.
#pragma once

#include <wtypes.h>

#include <string>

namespace leafmark::win {

// The whole of text (which may hold null characters); empty for a null BSTR.
std::wstring BstrText(BSTR text);

}  // namespace leafmark::win
