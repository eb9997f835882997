// Keys sent to the player's window: each is logged, and Esc leaves full screen.
#include <gtest/gtest.h>

#include <regex>

#include "tests/app/player_process.h"
#include "tests/app/window_expectations.h"

namespace leafmark::test {
namespace {

class PlayerKeys : public ::testing::Test {
 protected:
  TPlayer Start(const std::string& mode, const std::vector<std::string>& extraArguments = {}) {
    std::vector<std::string> arguments = extraArguments;
    arguments.push_back("-D");
    arguments.push_back("-F" + log);
    return TPlayer(WriteBook(dir, {{"ExeConfig.xml", ExeConfigXml("Keys", mode, "640", "480")}}), arguments, dir.Path());
  }

  // The key lines of one kind ("FormKeyDown", "FormKeyUp": both, in order; "FormKeyPress"),
  // without Settle's markers. The character that translating a key-down adds joins the
  // queue behind whatever was posted by then, so presses are not ordered against the rest.
  std::vector<std::string> KeyLines(const std::string& kind) const {
    const std::regex marker("FormKeyPress\\[[A-Z]\\]");
    const std::regex wanted(kind == "FormKeyPress" ? "FormKeyPress\\[.*" : "FormKey(Down|Up)\\[.*");
    std::vector<std::string> keys;
    for (const std::string& line : ReadLogLines(log)) {
      const std::size_t at = line.find(": FormKey");
      if (at == std::string::npos) continue;
      const std::string key = line.substr(at + 2);
      if (std::regex_match(key, wanted) && !std::regex_match(key, marker)) keys.push_back(key);
    }
    return keys;
  }

  TTempDir dir;
  std::string log = dir.File("log.txt");
};

TEST_F(PlayerKeys, EscLeavesFullScreenForTheBoundsBeforeIt) {
  TPlayer player = Start("3");
  ASSERT_TRUE(player.WaitForWindow());
  ExpectFullScreen(player.Facts());

  player.PostKey(VK_ESCAPE);
  ASSERT_TRUE(player.Settle(log));
  ExpectWindowed(player.Facts(), kDesignedBounds);
  EXPECT_TRUE(player.Facts().Visible);
  EXPECT_EQ(KeyLines("FormKeyDown"), (std::vector<std::string>{"FormKeyDown[27]", "FormKeyUp[27]"}));
  EXPECT_EQ(KeyLines("FormKeyPress"), (std::vector<std::string>{"FormKeyPress[\x1B]"}));

  // A second Esc finds the window already framed.
  player.PostKey(VK_ESCAPE);
  ASSERT_TRUE(player.Settle(log));
  ExpectWindowed(player.Facts(), kDesignedBounds);
}

TEST_F(PlayerKeys, EscWhileWindowedChangesNothing) {
  TPlayer player = Start("1");
  ASSERT_TRUE(player.WaitForWindow());
  player.PostKey(VK_ESCAPE);
  ASSERT_TRUE(player.Settle(log));
  ExpectWindowed(player.Facts(), Bounds(399, 262, 640, 480));
  EXPECT_TRUE(LogContains(log, "FormKeyPress[\x1B]"));
}

TEST_F(PlayerKeys, EscLeavesFullScreenInScreenSaverModeToo) {
  TPlayer player = Start("4", {"/s"});
  ASSERT_TRUE(player.WaitForWindow());
  // The character alone: a key-down message would end the screen saver.
  player.Post(WM_CHAR, 27, 0);
  ASSERT_TRUE(player.Settle(log));
  ExpectWindowed(player.Facts(), kDesignedBounds);
}

TEST_F(PlayerKeys, OtherKeysAreLoggedWithTheirCodes) {
  TPlayer player = Start("1");
  ASSERT_TRUE(player.WaitForWindow());
  player.PostKey('K');
  player.PostKey(VK_F5);
  ASSERT_TRUE(player.Settle(log));
  EXPECT_EQ(KeyLines("FormKeyDown"),
            (std::vector<std::string>{"FormKeyDown[75]", "FormKeyUp[75]", "FormKeyDown[116]", "FormKeyUp[116]"}));
  EXPECT_EQ(KeyLines("FormKeyPress"), (std::vector<std::string>{"FormKeyPress[k]"}));
}

}  // namespace
}  // namespace leafmark::test
