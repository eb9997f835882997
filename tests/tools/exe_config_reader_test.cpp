// The portable settings reader gives what the player applies: the same numbers and defaults,
// the same documents refused, and the caption's letters in each encoding a publisher may use.
#include <gtest/gtest.h>

#include <optional>

#include "tools/exe_config_reader.h"

namespace leafmark::pack {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Settings(const std::string& caption, const std::string& mode, const std::string& width = "640",
                     const std::string& height = "480") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<ExeConfig>\r\n  <ExeCaption><![CDATA[" + caption +
         "]]></ExeCaption>\r\n  <WindowOpenMode>" + mode + "</WindowOpenMode>\r\n  <WindowOpenWidth>" + width +
         "</WindowOpenWidth>\r\n  <WindowOpenHeight>" + height + "</WindowOpenHeight>\r\n</ExeConfig>\r\n";
}

struct TNumberCase {
  const char* Text;
  std::int32_t Expected;  // with default 600
};

TEST(ExeConfigReader, NumbersAreDecimalIntegersOrTheirDefault) {
  const TNumberCase cases[] = {{"480", 480}, {"0", 0}, {"007", 7}, {"+12", 12}, {"-12", -12},
                               {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
                               {"2147483648", 600}, {"99999999999999999999", 600}, {"", 600}, {"-", 600},
                               {"+-1", 600}, {"12px", 600}, {"0x10", 600}, {"$10", 600}, {"1.5", 600}};
  for (const TNumberCase& c : cases) {
    const TExeConfigValues values = ReadExeConfig(Bytes(Settings("Book", c.Text, c.Text, c.Text)));
    EXPECT_EQ(values.WindowOpenHeight, c.Expected) << '"' << c.Text << '"';
    EXPECT_EQ(values.WindowOpenWidth, c.Expected == 600 ? 800 : c.Expected) << '"' << c.Text << '"';
    EXPECT_EQ(values.WindowOpenMode, c.Expected == 600 ? 2 : c.Expected) << '"' << c.Text << '"';
  }
}

// Elements nested depth deep inside a sound settings document.
std::string Nested(int depth) {
  std::string open, close;
  for (int k = 0; k < depth; ++k) open += "<a>", close += "</a>";
  return "<ExeConfig>" + open + close + Settings("x", "1").substr(51);
}

TEST(ExeConfigReader, DocumentsThePlayerAppliesNothingFromAreRefused) {
  const struct {
    const char* what;
    std::string xml;
    std::optional<std::string> caption;  // none: refused
  } cases[] = {
      {"does not parse", "<ExeConfig><ExeCaption>Broken</ExeCaption><WindowOpenMode>1", std::nullopt},
      {"a missing element",
       "<ExeConfig><ExeCaption>Partial</ExeCaption><WindowOpenMode>1</WindowOpenMode>"
       "<WindowOpenWidth>640</WindowOpenWidth></ExeConfig>",
       std::nullopt},
      {"another root element",
       "<Settings><ExeCaption>Other</ExeCaption><WindowOpenMode>1</WindowOpenMode>"
       "<WindowOpenWidth>640</WindowOpenWidth><WindowOpenHeight>480</WindowOpenHeight></Settings>",
       std::nullopt},
      {"names compare with case",
       "<ExeConfig><ExeCaption>Case</ExeCaption><windowopenmode>1</windowopenmode>"
       "<WindowOpenWidth>640</WindowOpenWidth><WindowOpenHeight>480</WindowOpenHeight></ExeConfig>",
       std::nullopt},
      {"crossed elements", "<ExeConfig><ExeCaption><b>x</ExeCaption></b></ExeConfig>", std::nullopt},
      {"two document elements", Settings("One", "1") + "<ExeConfig/>", std::nullopt},
      {"a document type named like the root is passed over",
       "<?xml version=\"1.0\"?><!DOCTYPE ExeConfig [<!ELEMENT ExeConfig ANY>]><ExeConfig><ExeCaption>Typed"
       "</ExeCaption><WindowOpenMode>1</WindowOpenMode><WindowOpenWidth>640</WindowOpenWidth>"
       "<WindowOpenHeight>480</WindowOpenHeight></ExeConfig>",
       std::string("Typed")},
      {"comments, attributes and other elements around the values",
       "<!-- made by hand --><ExeConfig version='2'><Other a=\"1\"/><ExeCaption lang=\"en\">A &amp; B "
       "&#x263A;&#65;<!-- c --><![CDATA[<i>]]></ExeCaption><WindowOpenMode>3</WindowOpenMode><WindowOpenWidth/>"
       "<WindowOpenHeight>480</WindowOpenHeight><ExeCaption>second</ExeCaption></ExeConfig>",
       std::string("A & B \xE2\x98\xBA" "A<i>")},
      {"entity not known", "<ExeConfig><ExeCaption>&nbsp;</ExeCaption></ExeConfig>", std::nullopt},
      {"nested too deeply", Nested(5000), std::nullopt},
      {"empty", "", std::nullopt},
      {"nested as deep as a settings file may", Nested(60), std::string("x")},
  };
  for (const auto& c : cases) {
    if (c.caption) {
      EXPECT_EQ(ReadExeConfig(Bytes(c.xml)).CaptionUtf8, *c.caption) << c.what;
    } else {
      EXPECT_THROW(ReadExeConfig(Bytes(c.xml)), EXmlError) << c.what;
    }
  }
}

std::string Utf16(const std::u16string& text, bool littleEndian, bool mark) {
  std::string bytes;
  if (mark) bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
  for (const char16_t c : text) {
    const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
    bytes += littleEndian ? low : high;
    bytes += littleEndian ? high : low;
  }
  return bytes;
}

TEST(ExeConfigReader, TheCaptionKeepsItsLettersInEveryEncoding) {
  const std::string expected = "B\xC3\xBC" "cher \xC3\xBC" "ber B\xC3\xA4" "ume";
  const std::string latin1Body = "><ExeConfig><ExeCaption>B\xFC" "cher \xFC" "ber B\xE4" "ume</ExeCaption>"
                                 "<WindowOpenMode>1</WindowOpenMode><WindowOpenWidth>640</WindowOpenWidth>"
                                 "<WindowOpenHeight>480</WindowOpenHeight></ExeConfig>";
  const std::u16string utf16 =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ExeConfig><ExeCaption>B\u00FCcher \u00FCber B\u00E4ume"
      u"</ExeCaption><WindowOpenMode>1</WindowOpenMode><WindowOpenWidth>640</WindowOpenWidth>"
      u"<WindowOpenHeight>480</WindowOpenHeight></ExeConfig>";
  const struct {
    const char* what;
    std::string bytes;
    std::string caption;
  } cases[] = {
      {"UTF-8", Settings(expected, "1"), expected},
      {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + Settings(expected, "1"), expected},
      {"UTF-8 without a declaration", Settings(expected, "1").substr(40), expected},
      {"ISO-8859-1 declared", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?" + latin1Body, expected},
      {"Windows-1252 declared", "<?xml version='1.0' encoding='windows-1252'?><ExeConfig><ExeCaption>\x80 5"
       "</ExeCaption><WindowOpenMode>1</WindowOpenMode><WindowOpenWidth/><WindowOpenHeight/></ExeConfig>",
       "\xE2\x82\xAC 5"},
      {"UTF-16 little-endian with a mark", Utf16(utf16, true, true), expected},
      {"UTF-16 big-endian with a mark", Utf16(utf16, false, true), expected},
      {"UTF-16 little-endian without a mark", Utf16(utf16, true, false), expected},
      {"a letter beyond the basic plane", Utf16(u"<ExeConfig><ExeCaption>\U0001F4D6</ExeCaption><WindowOpenMode/>"
                                                u"<WindowOpenWidth/><WindowOpenHeight/></ExeConfig>", true, true),
       "\xF0\x9F\x93\x96"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadExeConfig(Bytes(c.bytes)).CaptionUtf8, c.caption) << c.what;
  }
}

TEST(ExeConfigReader, BytesNotValidInTheirEncodingAreRefused) {
  const std::string cases[] = {
      Settings("B\xFC" "cher", "1"),                       // ISO-8859-1 letters in a UTF-8 document
      Settings("\xC0\xAF", "1"),                           // an overlong form
      Settings("\xED\xA0\x80", "1"),                       // a surrogate
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>" + Settings("x", "1").substr(40),  // unknown here
      "<?xml version=\"1.0\" encoding=\"US-ASCII\"?><ExeConfig><ExeCaption>\xE9</ExeCaption></ExeConfig>",
      Utf16(u"<ExeConfig><ExeCaption>\xD800</ExeCaption></ExeConfig>", true, true),  // a lone surrogate
      "\xFF\xFE<",                                          // an odd number of bytes
  };
  for (const std::string& c : cases) EXPECT_THROW(ReadExeConfig(Bytes(c)), EXmlError) << c;
}

}  // namespace
}  // namespace leafmark::pack
