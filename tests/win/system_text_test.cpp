// Text in the system code page and wide text.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include "win/bstr_text.h"
#include "win/system_text.h"
#include "win/unique_any.h"

namespace leafmark::win {
namespace {

TEST(SystemText, ConvertsThroughTheSystemCodePageBothWays) {
  // "€" is U+20AC but 0x80 in code page 1252: a plain cast would give neither.
  if (::GetACP() != 1252) GTEST_SKIP() << "the system code page is " << ::GetACP();
  EXPECT_EQ(SystemToWide("\x80 5"), L"\u20AC 5");
  EXPECT_EQ(WideToSystem(L"\u20AC 5"), "\x80 5");
  // A character the code page lacks becomes its default character.
  EXPECT_EQ(WideToSystem(L"\u4E66"), "?");
  // Embedded null characters are text like any other.
  EXPECT_EQ(SystemToWide(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));
  EXPECT_EQ(SystemToWide(""), L"");
  EXPECT_EQ(WideToSystem(L""), "");
}

TEST(BstrText, ReadsTheWholeLengthAndTakesNullAsEmpty) {
  const TUniqueBstr text(::SysAllocStringLen(L"a\0b", 3));
  EXPECT_EQ(BstrText(text.Get()), std::wstring(L"a\0b", 3));
  EXPECT_EQ(BstrText(nullptr), L"");
}

}  // namespace
}  // namespace leafmark::win
