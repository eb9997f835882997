#include "archive/extent_index.h"

#include <gtest/gtest.h>

namespace leafmark {
namespace {

TEST(ExtentIndexTest, FindsTheFirstMatchingLineWhateverTheLineEndsAndCase) {
  const std::string index =
      "no equals sign here\r\n"
      "Book.swf=1\r\n"
      "book.swf=7\r\n"
      "cr.txt=2\r"
      "lf.txt=3\n"
      "a=b=4\r\n"
      "last=5";
  const struct {
    const char* name;
    const char* value;
  } cases[] = {
      {"book.swf", "1"}, {"BOOK.SWF", "1"}, {"cr.txt", "2"}, {"lf.txt", "3"}, {"a", "b=4"},
      {"last", "5"},     {"missing", ""},   {"no equals sign here", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FindIndexValue(index, c.name), c.value) << c.name;
}

TEST(ExtentIndexTest, EntryNumbersAreDecimalIntegersOrZero) {
  const struct {
    const char* text;
    std::int32_t number;
  } cases[] = {
      {"1", 1},   {"48", 48},  {"+2", 2},   {"-3", -3},         {"", 0},          {"0", 0},
      {"abc", 0}, {"2x", 0},   {" 1", 0},   {"0x10", 0},        {"-", 0},         {"$10", 0},
      {"2147483647", 2147483647}, {"2147483648", 0}, {"99999999999999999999", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseEntryNumber(c.text), c.number) << '"' << c.text << '"';
}

TEST(ExtentIndexTest, BuiltIndexIsSortedWithoutRegardToCaseAndNumbersFollowEntryOrder) {
  EXPECT_EQ(BuildIndexText({"files/thumb/1.jpg", "Book.swf", "ExeConfig.xml", "book2.swf"}),
            "Book.swf=2\r\nbook2.swf=4\r\nExeConfig.xml=3\r\nfiles/thumb/1.jpg=1\r\n");
}

}  // namespace
}  // namespace leafmark
