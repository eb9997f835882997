// Screen-saver mode: input ends the program, small mouse jitter does not, a preview
// argument ends it at once.
#include <gtest/gtest.h>

#include "tests/app/player_process.h"

namespace leafmark::test {
namespace {

class PlayerScreenSaver : public ::testing::Test {
 protected:
  void SetUp() override {
    // The player compares mouse messages with the cursor position at its start.
    ASSERT_TRUE(::SetCursorPos(200, 150));
    ASSERT_TRUE(::GetCursorPos(&start));
  }

  TPlayer Start(const std::string& mode, std::vector<std::string> arguments) {
    arguments.push_back("-D");
    arguments.push_back("-F" + log);
    return TPlayer(WriteBook(dir, {{"ExeConfig.xml", ExeConfigXml("Saver", mode, "640", "480")}}), arguments,
                   dir.Path());
  }

  LPARAM At(int dx, int dy) const { return MAKELPARAM(start.x + dx, start.y + dy); }

  TTempDir dir;
  std::string log = dir.File("log.txt");
  POINT start{};
};

struct TInputCase {
  const char* Name;
  UINT Message;
  WPARAM WParam;
  int Dx;  // mouse position relative to the start position
  int Dy;
  bool Closes;
};

void PrintTo(const TInputCase& c, std::ostream* out) { *out << c.Name; }

class PlayerScreenSaverInput : public PlayerScreenSaver, public ::testing::WithParamInterface<TInputCase> {};

TEST_P(PlayerScreenSaverInput, ClosesOnInputOnly) {
  const TInputCase& c = GetParam();
  TPlayer player = Start("4", {"/s"});
  ASSERT_TRUE(player.WaitForWindow());
  player.Post(c.Message, c.WParam, At(c.Dx, c.Dy));
  if (c.Closes) {
    DWORD exitCode = 1;
    ASSERT_TRUE(player.WaitForExit(kPatience, exitCode));
    EXPECT_EQ(exitCode, 0u);
  } else {
    EXPECT_TRUE(player.Settle(log));
    EXPECT_TRUE(player.Running());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, PlayerScreenSaverInput,
    ::testing::Values(TInputCase{"key_down", WM_KEYDOWN, VK_SPACE, 0, 0, true},
                      TInputCase{"left_button_down", WM_LBUTTONDOWN, MK_LBUTTON, 0, 0, true},
                      TInputCase{"left_double_click", WM_LBUTTONDBLCLK, MK_LBUTTON, 0, 0, true},
                      TInputCase{"right_button_down", WM_RBUTTONDOWN, MK_RBUTTON, 0, 0, true},
                      TInputCase{"mouse_wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0, 0, true},
                      TInputCase{"mouse_move_6_right", WM_MOUSEMOVE, 0, 6, 0, true},
                      TInputCase{"mouse_move_6_up", WM_MOUSEMOVE, 0, 0, -6, true},
                      TInputCase{"mouse_move_6_left_and_down", WM_MOUSEMOVE, 0, -6, 6, true},
                      TInputCase{"mouse_move_5_on_both_axes", WM_MOUSEMOVE, 0, 5, 5, false},
                      TInputCase{"mouse_move_5_back_on_both_axes", WM_MOUSEMOVE, 0, -5, -5, false},
                      TInputCase{"mouse_move_in_place", WM_MOUSEMOVE, 0, 0, 0, false},
                      TInputCase{"key_up", WM_KEYUP, VK_SPACE, 0, 0, false},
                      TInputCase{"middle_button_down", WM_MBUTTONDOWN, MK_MBUTTON, 0, 0, false},
                      TInputCase{"right_button_up", WM_RBUTTONUP, 0, 0, 0, false}),
    [](const ::testing::TestParamInfo<TInputCase>& param) { return std::string(param.param.Name); });

TEST_F(PlayerScreenSaver, ClosingKeyStillReachesTheWindow) {
  TPlayer player = Start("4", {"/s"});
  ASSERT_TRUE(player.WaitForWindow());
  player.Post(WM_KEYDOWN, VK_SPACE, 0);
  DWORD exitCode = 1;
  ASSERT_TRUE(player.WaitForExit(kPatience, exitCode));
  EXPECT_TRUE(LogContains(log, "FormKeyDown[32]"));
}

TEST_F(PlayerScreenSaver, InputDoesNotCloseOutsideScreenSaverMode) {
  TPlayer player = Start("3", {});
  ASSERT_TRUE(player.WaitForWindow());
  player.Post(WM_LBUTTONDOWN, MK_LBUTTON, At(0, 0));
  player.Post(WM_MOUSEMOVE, 0, At(300, 300));
  player.Post(WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_TRUE(player.Settle(log));
}

class PlayerScreenSaverPreview : public PlayerScreenSaver, public ::testing::WithParamInterface<std::string> {};

TEST_P(PlayerScreenSaverPreview, EndsRightAfterStartUp) {
  TPlayer player = Start("4", {GetParam(), "1234"});
  DWORD exitCode = 1;
  ASSERT_TRUE(player.WaitForExit(kPatience, exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(LogContains(log, "Loading book.swf..."));  // start-up completed first
}

INSTANTIATE_TEST_SUITE_P(Arguments, PlayerScreenSaverPreview, ::testing::Values("/p", "-P ", "p", "/P", " -p"),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           std::string name = "arg";
                           for (char c : param.param) name += c == '/' ? "_slash" : c == '-' ? "_dash" : c == ' ' ? "_blank" : std::string("_") + c;
                           return name;
                         });

}  // namespace
}  // namespace leafmark::test
