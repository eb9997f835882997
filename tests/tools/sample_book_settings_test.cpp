// The sample book's ExeConfig.xml as the player reads it, with the system's XML parser.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <string>

#include "app/exe_config.h"
#include "tools/sample_book.h"

namespace leafmark {
namespace {

TExeConfigInfo ReadAsThePlayerDoes(const std::string& xml) {
  TMemoryStream stream(std::vector<std::uint8_t>(xml.begin(), xml.end()));
  TExeConfigInfo config;
  config.LoadFromStream(stream);
  return config;
}

TEST(SampleBookSettings, ThePlayerReadsTheCaptionWhole) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  struct TCase {
    std::string Caption;  // UTF-8, as given to the tool
    std::string Read;     // what the player holds, in code page 1252
  };
  const TCase cases[] = {
      {tools::kDefaultSampleCaption, tools::kDefaultSampleCaption},
      {"A ]]> B & <C> ]]]]>", "A ]]> B & <C> ]]]]>"},  // ends CDATA sections; markup characters
      {"Euro \xE2\x82\xAC", "Euro \x80"},                // UTF-8 in the file, 0x80 in code page 1252
  };
  for (const TCase& c : cases) {
    if (c.Read != c.Caption && ::GetACP() != 1252) continue;  // the expected bytes are code page 1252's
    const TExeConfigInfo config = ReadAsThePlayerDoes(tools::SampleExeConfig(c.Caption));
    EXPECT_EQ(config.ExeCaption, c.Read);
    EXPECT_EQ(config.WindowOpenMode, 1);
    EXPECT_EQ(config.WindowOpenWidth, 800);
    EXPECT_EQ(config.WindowOpenHeight, 600);
  }
  ::CoUninitialize();
}

}  // namespace
}  // namespace leafmark
