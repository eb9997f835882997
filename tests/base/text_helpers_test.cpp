// Strict decimal numbers and trimming, the way every reader of settings, indexes and URLs
// relies on them.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/decimal.h"
#include "base/text_trim.h"

namespace leafmark {
namespace {

struct TDecimalCase {
  const char* Text;
  std::optional<std::int32_t> Expected;
};

TEST(ParseSignedDecimal32, AcceptsASignAndDigitsWithinThe32BitRangeInNarrowAndWideText) {
  const TDecimalCase cases[] = {
      {"0", 0},
      {"+7", 7},
      {"-7", -7},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {" 1", std::nullopt},
      {"1 ", std::nullopt},
      {"1.0", std::nullopt},
      {"0x10", std::nullopt},
      {"--1", std::nullopt},
      {"1-", std::nullopt},
  };
  for (const TDecimalCase& c : cases) {
    const std::string narrow(c.Text);
    const std::wstring wide(narrow.begin(), narrow.end());
    EXPECT_EQ(ParseSignedDecimal32(narrow), c.Expected) << '"' << c.Text << '"';
    EXPECT_EQ(ParseSignedDecimal32(wide), c.Expected) << '"' << c.Text << '"';
  }
  // A wide character whose low byte is a digit is not a digit.
  EXPECT_EQ(ParseSignedDecimal32(std::wstring(L"1\u0131")), std::nullopt);
}

TEST(TrimBlanksAndControls, RemovesEveryByteUpToTheSpaceFromBothEndsOnly) {
  EXPECT_EQ(TrimBlanksAndControls(""), "");
  EXPECT_EQ(TrimBlanksAndControls(" \t\r\n\x01 "), "");
  EXPECT_EQ(TrimBlanksAndControls("\t a b \x1f"), "a b");
  EXPECT_EQ(TrimBlanksAndControls(std::string("\0x\0", 3)), "x");
  // Bytes above 0x7F are text in the system code page, not blanks.
  EXPECT_EQ(TrimBlanksAndControls("\x80x\xA0"), "\x80x\xA0");
}

}  // namespace
}  // namespace leafmark
