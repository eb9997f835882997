// Entry names compared without regard to letter case in the user's locale, as the system
// compares 8-bit names in the system code page.
#include <windows.h>

#include "archive/extent_index.h"

namespace leafmark {

bool SameEntryName(std::string_view a, std::string_view b) {
  if (a.size() > 0x7FFFFFFF || b.size() > 0x7FFFFFFF) return false;
  return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace leafmark
