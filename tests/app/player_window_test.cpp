// The player's window as its book's settings ask for it, seen from outside the process.
#include <gtest/gtest.h>

#include <optional>

#include "tests/app/player_process.h"
#include "tests/app/window_expectations.h"

namespace leafmark::test {
namespace {

enum class TExpected { Designed, Sized, Maximized, FullScreen };

struct TModeCase {
  const char* Name;
  std::optional<std::string> Settings;  // "ExeConfig.xml"; none: not in the book
  std::vector<std::string> Arguments;
  TExpected Expected;
  std::wstring Caption;
  int Width = 0;  // for Sized
  int Height = 0;
};

void PrintTo(const TModeCase& c, std::ostream* out) { *out << c.Name; }

class PlayerWindowModes : public ::testing::TestWithParam<TModeCase> {};

TEST_P(PlayerWindowModes, OpensAsTheSettingsAsk) {
  const TModeCase& c = GetParam();
  const TTempDir dir;
  TBookFiles files{{"book.swf", "FWS"}};
  if (c.Settings) files.emplace_back("ExeConfig.xml", *c.Settings);
  TPlayer player(WriteBook(dir, files), c.Arguments, dir.Path());
  ASSERT_TRUE(player.WaitForWindow());
  const TWindowFacts facts = player.Facts();

  EXPECT_EQ(facts.Caption, c.Caption);
  EXPECT_TRUE(facts.Visible);
  switch (c.Expected) {
    case TExpected::Designed: ExpectWindowed(facts, kDesignedBounds); break;
    case TExpected::Sized: ExpectWindowed(facts, Bounds(399, 262, c.Width, c.Height)); break;
    case TExpected::Maximized: ExpectMaximized(facts); break;
    case TExpected::FullScreen: ExpectFullScreen(facts); break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PlayerWindowModes,
    ::testing::Values(
        TModeCase{"mode_1_sizes_the_window", ExeConfigXml("Sized", "1", "640", "480"), {}, TExpected::Sized, L"Sized", 640, 480},
        TModeCase{"mode_1_with_empty_width_takes_800", ExeConfigXml("Sized", "1", "", "480"), {}, TExpected::Sized, L"Sized", 800, 480},
        TModeCase{"mode_1_with_a_word_for_height_takes_600", ExeConfigXml("Sized", "1", "700", "tall"), {}, TExpected::Sized, L"Sized", 700, 600},
        TModeCase{"mode_2_maximizes", ExeConfigXml("Big", "2", "800", "600"), {}, TExpected::Maximized, L"Big"},
        TModeCase{"a_mode_that_is_not_a_number_maximizes", ExeConfigXml("Big", "two", "800", "600"), {}, TExpected::Maximized, L"Big"},
        TModeCase{"mode_3_is_full_screen", ExeConfigXml("Full", "3", "800", "600"), {}, TExpected::FullScreen, L"Full"},
        TModeCase{"mode_4_with_s_runs_the_screen_saver", ExeConfigXml("Saver", "4", "800", "600"), {"/s"}, TExpected::FullScreen, L"Saver"},
        TModeCase{"mode_4_with_p_after_the_first_argument_runs", ExeConfigXml("Saver", "4", "800", "600"), {"/s", "/p"}, TExpected::FullScreen, L"Saver"},
        TModeCase{"mode_4_without_arguments_runs", ExeConfigXml("Saver", "4", "800", "600"), {}, TExpected::FullScreen, L"Saver"},
        TModeCase{"mode_5_keeps_the_designed_bounds", ExeConfigXml("Five", "5", "640", "480"), {}, TExpected::Designed, L"Five"},
        TModeCase{"mode_0_keeps_the_designed_bounds", ExeConfigXml("Zero", "0", "640", "480"), {}, TExpected::Designed, L"Zero"},
        TModeCase{"preview_argument_outside_screen_saver_mode_runs", ExeConfigXml("Full", "3", "800", "600"), {"/p", "1234"}, TExpected::FullScreen, L"Full"},
        TModeCase{"no_settings_file", std::nullopt, {}, TExpected::Designed, L"Leafmark"},
        TModeCase{"xml_that_does_not_parse", std::string("<ExeConfig><ExeCaption>Broken</ExeCaption><WindowOpenMode>1"), {}, TExpected::Designed, L"Leafmark"},
        TModeCase{"a_missing_element_applies_nothing",
                  std::string("<ExeConfig><ExeCaption>Partial</ExeCaption><WindowOpenMode>1</WindowOpenMode>"
                              "<WindowOpenWidth>640</WindowOpenWidth></ExeConfig>"),
                  {}, TExpected::Designed, L"Leafmark"},
        TModeCase{"another_root_element_applies_nothing",
                  std::string("<Settings><ExeCaption>Other</ExeCaption><WindowOpenMode>1</WindowOpenMode>"
                              "<WindowOpenWidth>640</WindowOpenWidth><WindowOpenHeight>480</WindowOpenHeight></Settings>"),
                  {}, TExpected::Designed, L"Leafmark"},
        TModeCase{"a_document_type_named_like_the_root_is_passed_over",
                  std::string("<?xml version=\"1.0\"?><!DOCTYPE ExeConfig><ExeConfig><ExeCaption>Typed</ExeCaption>"
                              "<WindowOpenMode>1</WindowOpenMode><WindowOpenWidth>640</WindowOpenWidth>"
                              "<WindowOpenHeight>480</WindowOpenHeight></ExeConfig>"),
                  {}, TExpected::Sized, L"Typed", 640, 480},
        TModeCase{"element_names_compare_with_case",
                  std::string("<ExeConfig><ExeCaption>Case</ExeCaption><windowopenmode>1</windowopenmode>"
                              "<WindowOpenWidth>640</WindowOpenWidth><WindowOpenHeight>480</WindowOpenHeight></ExeConfig>"),
                  {}, TExpected::Designed, L"Leafmark"}),
    [](const ::testing::TestParamInfo<TModeCase>& param) { return std::string(param.param.Name); });

TEST(PlayerWindow, BarePlayerWithoutArchiveOpensAsDesigned) {
  const TTempDir dir;
  TPlayer player(WriteBarePlayer(dir), {}, dir.Path());
  ASSERT_TRUE(player.WaitForWindow());
  const TWindowFacts facts = player.Facts();
  EXPECT_EQ(facts.Caption, L"Leafmark");
  ExpectWindowed(facts, kDesignedBounds);
}

// Captions with letters beyond ASCII, in the encodings a publisher may use. The caption is
// 8-bit text in the system code page, so the letters must exist there.
struct TEncodingCase {
  const char* Name;
  std::string Settings;
};

class PlayerCaptionEncodings : public ::testing::TestWithParam<TEncodingCase> {};

TEST_P(PlayerCaptionEncodings, CaptionKeepsItsLetters) {
  const std::wstring expected = L"B\u00FCcher \u00FCber B\u00E4ume";
  char narrow[64] = {};
  BOOL lossy = FALSE;
  ::WideCharToMultiByte(CP_ACP, 0, expected.c_str(), -1, narrow, sizeof narrow, nullptr, &lossy);
  if (lossy) GTEST_SKIP() << "the system code page has no u-umlaut or a-umlaut";

  const TTempDir dir;
  TPlayer player(WriteBook(dir, {{"ExeConfig.xml", GetParam().Settings}}), {}, dir.Path());
  ASSERT_TRUE(player.WaitForWindow());
  const TWindowFacts facts = player.Facts();
  EXPECT_EQ(facts.Caption, expected);
  ExpectWindowed(facts, Bounds(399, 262, 640, 480));
}

std::string Utf16LittleEndianWithMark(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, PlayerCaptionEncodings,
    ::testing::Values(
        TEncodingCase{"utf_8", ExeConfigXml("B\xC3\xBC" "cher \xC3\xBC" "ber B\xC3\xA4" "ume", "1", "640", "480")},
        TEncodingCase{"iso_8859_1_declared",
                      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><ExeConfig><ExeCaption>B\xFC" "cher \xFC"
                      "ber B\xE4" "ume</ExeCaption><WindowOpenMode>1</WindowOpenMode><WindowOpenWidth>640"
                      "</WindowOpenWidth><WindowOpenHeight>480</WindowOpenHeight></ExeConfig>"},
        TEncodingCase{"utf_16_with_byte_order_mark",
                      Utf16LittleEndianWithMark(
                          L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ExeConfig><ExeCaption>B\u00FCcher \u00FCber "
                          L"B\u00E4ume</ExeCaption><WindowOpenMode>1</WindowOpenMode><WindowOpenWidth>640"
                          L"</WindowOpenWidth><WindowOpenHeight>480</WindowOpenHeight></ExeConfig>")}),
    [](const ::testing::TestParamInfo<TEncodingCase>& param) { return std::string(param.param.Name); });

}  // namespace
}  // namespace leafmark::test
