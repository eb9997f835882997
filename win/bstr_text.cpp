// BSTRs carry their length ahead of the characters; oleaut32 reads it.
#include "win/bstr_text.h"

#include <oleauto.h>

namespace leafmark::win {

std::wstring BstrText(BSTR text) {
  if (!text) return {};
  return std::wstring(text, ::SysStringLen(text));
}

}  // namespace leafmark::win
